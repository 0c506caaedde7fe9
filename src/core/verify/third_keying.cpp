#include "verify/third_keying.h"

#include <cmath>

namespace tallwick::verify {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

bool SameAnswer(const entry::FieldValue& a, const entry::FieldValue& b) {
    const bool aText = std::holds_alternative<std::string>(a);
    const bool bText = std::holds_alternative<std::string>(b);
    if (aText || bText) return Trimmed(entry::AsText(a)) == Trimmed(entry::AsText(b));
    return entry::AsNumber(a) == entry::AsNumber(b);
}

ThirdKeyingRule::Outcome ThirdKeyingRule::Key(const entry::FieldValue& keyed) {
    if (!pending_) {
        if (SameAnswer(keyed, stored_)) return Outcome::Agrees;
        candidate_ = keyed;
        pending_ = true;
        return Outcome::AskAgain;
    }
    if (SameAnswer(keyed, stored_)) {
        pending_ = false;
        return Outcome::StoredStands;
    }
    if (SameAnswer(keyed, candidate_)) {
        pending_ = false;
        return Outcome::NewReplaces;
    }
    candidate_ = keyed;
    return Outcome::AskAgain;
}

}  // namespace tallwick::verify
