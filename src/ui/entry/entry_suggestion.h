#pragma once

#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "locate/error_localiser.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace tallwick::ui {

// One answer of a suggested repair as the entry window offers it.
struct SuggestedAnswer {
    int page = 0;      // the entry window page that holds its box
    QString field;     // the box's field name
    double value = 0;  // the value suggested
    QString text;      // "z001（本级工会专职工会干部）9 → 1"
};

// The error list's first line for one search: the answers to type, each of which can be applied;
// or a line without answers (no repair); both empty when there is nothing to say.
struct RepairSuggestion {
    QList<SuggestedAnswer> answers;
    QString line;
};

RepairSuggestion SuggestionFor(const locate::Localisation& found, const check::FieldHints& hints);

using SuggestionSearch = std::function<locate::Localisation(const check::RecordValues&)>;

// What to type, found on threads of their own from a copy of the values on screen, so that
// neither saving nor typing ever waits for the solver. Request returns at once.
class SuggestionWorker : public QObject {
    Q_OBJECT
  public:
    SuggestionWorker(SuggestionSearch search, check::FieldHints hints, QObject* parent = nullptr);
    // Does not wait for a search under way: its answer is dropped.
    ~SuggestionWorker() override;

    // Ready follows with the same ticket, unless newer requests overtake it while it waits.
    void Request(const check::RecordValues& values, int ticket);

  signals:
    void Ready(int ticket, const tallwick::ui::RepairSuggestion& suggestion);

  private:
    struct Shared;
    static void Run(std::shared_ptr<Shared> shared, check::RecordValues values, int ticket);

    std::shared_ptr<Shared> shared_;
};

}  // namespace tallwick::ui
