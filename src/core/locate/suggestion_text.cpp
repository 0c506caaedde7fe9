#include "locate/suggestion_text.h"

#include "common/number_text.h"
#include "locate/locate_fields.h"

namespace tallwick::locate {

std::string NamedField(int field, const check::FieldHints& hints) {
    const std::string name(LocateFields()[static_cast<std::size_t>(field)].name);
    const auto hint = hints.Find(name);
    return hint ? name + "（" + *hint + "）" : name;
}

std::string ChangeText(const RepairChange& change, const check::FieldHints& hints) {
    std::string text = NamedField(change.field, hints);
    // A readable name closes with its bracket; a bare field name needs a space before the value.
    if (!text.ends_with("）")) text += ' ';
    text += NumberText(change.current) + " → " + NumberText(change.repaired);
    if (change.unasked) text += std::string("（") + kUnaskedNote + "）";
    return text;
}

std::optional<std::string> SuggestionLine(const Localisation& localisation,
                                          const check::FieldHints& hints) {
    switch (localisation.outcome) {
        case Localisation::Outcome::NoRepair:
            return std::string(kNoRepairLine);
        case Localisation::Outcome::Suggested:
            break;
        default:
            return std::nullopt;
    }
    if (localisation.changes.empty()) return std::nullopt;
    std::string line = kSuggestionHead;
    for (std::size_t i = 0; i < localisation.changes.size(); ++i) {
        if (i > 0) line += "、";
        line += ChangeText(localisation.changes[i], hints);
    }
    return line;
}

}  // namespace tallwick::locate
