#pragma once

#include "common/user_error.h"

#include <string>

namespace tallwick::query {

// The control of a search dialog that takes the focus after a refused input.
enum class ConditionFocus { Field, Operator1, Number1, Operator2, Number2, CodeOption };

// A refused search input: the message the user reads and where the dialog puts the focus.
class ConditionError : public UserError {
  public:
    ConditionError(const std::string& message, ConditionFocus focus)
        : UserError(message), focus_(focus) {}

    ConditionFocus Focus() const { return focus_; }

  private:
    ConditionFocus focus_;
};

}  // namespace tallwick::query
