// The entry window and its edit journal: what the journal keeps of the screen, and the edits of
// a journal brought back onto the screen after the program ended without saving them.
#include "entry/entry_window.h"

#include "entry/edit_journal_keeper.h"
#include "entry/entry_number_box.h"
#include "list/record_list_view.h"
#include "widgets/code_popup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>

namespace tallwick::ui {

entry::EditJournal EntryWindow::JournalSnapshot() const {
    entry::EditJournal journal;
    // A record held while adding is stored: its edits belong to it, not to a new record.
    journal.newRecord = adding_ && !writtenSinceOpened_;
    journal.code = journal.newRecord ? 0 : loadedCode_;
    journal.name = form_.unionName->text().toStdString();
    journal.page = form_.pages->currentIndex();
    for (const auto& [name, control] : form_.fields) {
        QString text = static_cast<const QLineEdit*>(control)->text();
        if (qobject_cast<const EntryNumberBox*>(control) != nullptr) text.remove(QLatin1Char(','));
        journal.fields.emplace_back(name.toStdString(), text.toStdString());
    }
    return journal;
}

void EntryWindow::RestoreFields(const entry::EditJournal& journal) {
    loaded_ = false;
    for (const auto& [name, text] : journal.fields) {
        QWidget* control = Field(QString::fromStdString(name));
        const QString value = QString::fromStdString(text);
        if (auto* box = qobject_cast<EntryNumberBox*>(control)) {
            if (value.isEmpty())
                box->clear();
            else
                box->setValue(value.toDouble());
        } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
            line->setText(value);
        }
    }
    // The names and the rules follow from the restored codes, as when a record is loaded.
    for (CodePickerBox* picker : {form_.regionName, form_.levelName, form_.stateName}) {
        picker->clear();
        picker->setCode(CodePickerBox::kNoCode);
    }
    RegionExit(false);
    LevelExit(false);
    StateExit(false);
    if (journal.page > 0 && journal.page < form_.pages->count()) {
        ShowPage(journal.page);
        FocusFirstField();
    }
    loaded_ = true;
    MarkChanged();
}

void EntryWindow::BeginRestoring(RecordListView& list, const entry::EditJournal& journal) {
    // A record deleted since is restored as a new one: the edits are all the user has of it.
    const bool stored = !journal.newRecord && list.ReturnToCode(journal.code);
    Begin(!stored, list);
    RestoreFields(journal);
}

void EntryWindow::OpenRestoring(RecordListView& list, const entry::EditJournal& journal) {
    const int row = list.CurrentRow();
    const double bookmark = row >= 0 ? list.Model().CodeAt(row) : 0;
    // As after adding: the list shows what was written and returns to where it was; a restored
    // stored record stays current, as after modifying.
    const auto returning = qScopeGuard([&] {
        list.RequeryKeepingRow();
        if (adding_) list.ReturnToCode(bookmark);
    });
    const auto ending = qScopeGuard([this] { EndSession(); });
    BeginRestoring(list, journal);
    exec();
}

}  // namespace tallwick::ui
