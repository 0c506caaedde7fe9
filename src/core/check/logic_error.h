#pragma once

#include <string>

namespace tallwick::check {

// One rule that one record fails, as the check report and the error list show it.
struct LogicError {
    std::string rule;         // the rule as it must hold, e.g. "z002<=z001"
    std::string explanation;  // the rule's message template rendered by Parse
    int page = 0;             // entry window page of the focus field: 1 表1 ... 13 附表2
    std::string focus;        // FieldName of the field the user is sent to

    bool operator==(const LogicError&) const = default;
};

}  // namespace tallwick::check
