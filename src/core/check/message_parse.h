#pragma once

#include "check/field_hints.h"

#include <string>
#include <string_view>

namespace tallwick::check {

// One token of a message template as the user reads it: an operator in words, a field name as
// its hint in square brackets, anything else as written. One leading "[" and one trailing "]"
// are dropped first.
std::string TranslateKey(std::string_view token, const FieldHints& hints);

// Renders a rule's message template into the explanation shown to the user: field names become
// their hints, bracketed operators become words, everything else is copied. Only ASCII letters
// start a field name, so Chinese text ends one and is copied where it stands.
std::string Parse(std::string_view messageTemplate, const FieldHints& hints);

}  // namespace tallwick::check
