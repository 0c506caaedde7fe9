#pragma once

#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "locate/error_localiser.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <thread>

namespace tallwick::ui {

// The answers to look at first, found on a thread of its own from a copy of the values on
// screen, so that neither saving nor the error list waits for the solver.
class SuggestionWorker : public QObject {
    Q_OBJECT
  public:
    SuggestionWorker(locate::ErrorLocaliser localiser, check::FieldHints hints,
                     QObject* parent = nullptr);
    ~SuggestionWorker() override;

    // Ready follows with the same ticket.
    void Request(const check::RecordValues& values, int ticket);

  signals:
    // links: "page:field" per suggested answer, with its text; or a line without links.
    void Ready(int ticket, QStringList links, QStringList texts, QString line);

  private:
    std::shared_ptr<const locate::ErrorLocaliser> localiser_;
    std::shared_ptr<const check::FieldHints> hints_;
    std::thread thread_;
};

}  // namespace tallwick::ui
