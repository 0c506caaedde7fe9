#pragma once

#include "locate/rule_formula.h"

#include <span>

namespace tallwick::locate {

// The 139 compiled checks as the condition under which each holds, in table order. Products of
// fields are written as signs of their factors, which is exact for the values the repair model
// allows (no field below 0); the compiled rules remain the judge of every repair.
std::span<const FormulaRule> DeliveredFormulas();

}  // namespace tallwick::locate
