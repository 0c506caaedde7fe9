#pragma once

#include "check/field_hints.h"
#include "locate/error_localiser.h"

#include <optional>
#include <string>

namespace tallwick::locate {

inline constexpr const char* kSuggestionHead = "建议修改：";
inline constexpr const char* kNoRepairLine = "在各指标的取值范围内，没有能使全部逻辑关系成立的修改";

// "z003（专职干部中研究生）": the field and its readable name; the field alone when the
// catalogue has no name for it.
std::string NamedField(int field, const check::FieldHints& hints);

// One answer of a repair with its value now and the value suggested: "z001（…）9 → 1", "d023 0 →
// 20", "x005（…）3 → 0（本级工会层次不填报，应为 0）" for an answer the level does not ask for.
std::string ChangeText(const RepairChange& change, const check::FieldHints& hints);

// The line that says what to type, "建议修改：" and the changes separated by "、"; the no-repair
// line when nothing within the limits helps; nullopt when there is nothing to say.
std::optional<std::string> SuggestionLine(const Localisation& localisation,
                                          const check::FieldHints& hints);

}  // namespace tallwick::locate
