#include "entry/entry_suggestion.h"

#include "locate/locate_fields.h"
#include "locate/suggestion_text.h"

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SuggestionWorker::SuggestionWorker(locate::ErrorLocaliser localiser, check::FieldHints hints,
                                   QObject* parent)
    : QObject(parent),
      localiser_(std::make_shared<const locate::ErrorLocaliser>(std::move(localiser))),
      hints_(std::make_shared<const check::FieldHints>(std::move(hints))) {}

SuggestionWorker::~SuggestionWorker() {
    if (thread_.joinable()) thread_.join();
}

void SuggestionWorker::Request(const check::RecordValues& values, int ticket) {
    // One search at a time; the one before ends within milliseconds.
    if (thread_.joinable()) thread_.join();
    thread_ = std::thread([this, values, ticket, localiser = localiser_, hints = hints_] {
        QStringList links, texts;
        QString line;
        try {
            const locate::Localisation found = localiser->Locate(values);
            if (found.outcome == locate::Localisation::Outcome::Suggested) {
                for (const locate::RepairChange& change : found.changes) {
                    const auto name =
                        locate::LocateFields()[static_cast<std::size_t>(change.field)].name;
                    links << QStringLiteral("%1:%2")
                                 .arg(locate::EntryPageOf(change.field))
                                 .arg(QString::fromLatin1(name.data(),
                                                          static_cast<qsizetype>(name.size())));
                    texts << Text(locate::NamedField(change.field, *hints));
                }
            } else if (const auto text = locate::SuggestionLine(found, *hints)) {
                line = Text(*text);
            }
        } catch (const std::exception&) {
            // No suggestion rather than a broken window.
        }
        emit Ready(ticket, links, texts, line);
    });
}

}  // namespace tallwick::ui
