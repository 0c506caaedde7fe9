#pragma once

// Dependent verification of one answer: the operator keys the paper form again without seeing
// the stored value. A keying that differs is asked for once more, and that third keying decides.
#include "entry/record_io.h"

namespace tallwick::verify {

// Two keyings of one answer agree: numbers as numbers (an empty box is 0, 3 equals 3.0), texts
// as texts without surrounding blanks.
bool SameAnswer(const entry::FieldValue& a, const entry::FieldValue& b);

class ThirdKeyingRule {
  public:
    enum class Outcome {
        Agrees,        // the verification keying equals the stored value
        AskAgain,      // it differs: the box turns red and the value is keyed once more
        StoredStands,  // the next keying equals the stored value: a slip of this pass
        NewReplaces,   // it equals the verification keying: an error of the first keying
    };

    explicit ThirdKeyingRule(entry::FieldValue stored) : stored_(std::move(stored)) {}

    // One more keying of the answer. After a keying that equals neither the stored value nor the
    // one before it, the answer is asked for again and the latest keying is the one to confirm.
    Outcome Key(const entry::FieldValue& keyed);

    const entry::FieldValue& Stored() const { return stored_; }
    // The value the verification keyed against the stored one; monostate while they agreed.
    const entry::FieldValue& Candidate() const { return candidate_; }
    bool Pending() const { return pending_; }

  private:
    entry::FieldValue stored_;
    entry::FieldValue candidate_;
    bool pending_ = false;
};

}  // namespace tallwick::verify
