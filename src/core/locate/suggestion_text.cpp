#include "locate/suggestion_text.h"

#include "locate/locate_fields.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tallwick::locate {

std::string NamedField(int field, const check::FieldHints& hints) {
    const std::string name(LocateFields()[static_cast<std::size_t>(field)].name);
    const auto hint = hints.Find(name);
    return hint ? name + "（" + *hint + "）" : name;
}

std::string NoRepairText(const Localisation& localisation) {
    std::string text = kNoRepairLine;
    if (localisation.unaskedAnswers.empty()) return text;
    text += "（本级工会层次不填报的指标有数据：";
    for (std::size_t i = 0; i < localisation.unaskedAnswers.size(); ++i) {
        if (i > 0) text += "、";
        text += LocateFields()[static_cast<std::size_t>(localisation.unaskedAnswers[i])].name;
    }
    return text + "）";
}

std::optional<std::string> SuggestionLine(const Localisation& localisation,
                                          const check::FieldHints& hints) {
    switch (localisation.outcome) {
        case Localisation::Outcome::NoRepair:
            return NoRepairText(localisation);
        case Localisation::Outcome::Suggested:
            break;
        default:
            return std::nullopt;
    }
    if (localisation.changes.empty()) return std::nullopt;
    std::string line = kSuggestionHead;
    for (std::size_t i = 0; i < localisation.changes.size(); ++i) {
        if (i > 0) line += "、";
        line += NamedField(localisation.changes[i].field, hints);
    }
    return line;
}

std::string ValueText(double value) {
    char text[64];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
        return text;
    }
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

}  // namespace tallwick::locate
