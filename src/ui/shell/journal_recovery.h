#pragma once

#include <QString>

#include <functional>

namespace tallwick::ui {

class MainWindow;

// At start-up, the unsaved edits that a run which ended abnormally left in the entry window's
// journal: the user is told which record and when, and chooses to see them again in the entry
// window (restored, not saved) or to discard them. A damaged journal is set aside with a message
// and never applied. `ask` answers the question (Yes = restore); empty means a message box.
void OfferJournalRecovery(MainWindow& window,
                          const std::function<bool(const QString& question)>& ask = {});

}  // namespace tallwick::ui
