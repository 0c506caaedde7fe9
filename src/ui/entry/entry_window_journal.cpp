// The entry window and its edit journal: what the journal keeps of the screen, and the edits of
// a journal brought back onto the screen after the program ended without saving them.
#include "entry/entry_window.h"

#include "entry/edit_journal_keeper.h"
#include "entry/entry_number_box.h"
#include "list/record_list_view.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"

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
    journal.fields = FieldTexts();
    // Beside the values before the edits, a restore tells what the user changed from what
    // changed in the record since.
    journal.before = baseline_;
    return journal;
}

std::vector<std::pair<std::string, std::string>> EntryWindow::FieldTexts() const {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const auto& [name, control] : form_.fields) {
        QString text = static_cast<const QLineEdit*>(control)->text();
        if (qobject_cast<const EntryNumberBox*>(control) != nullptr) text.remove(QLatin1Char(','));
        texts.emplace_back(name.toStdString(), text.toStdString());
    }
    return texts;
}

void EntryWindow::RestoreFields(const entry::EditJournal& journal, bool wholeRecord) {
    loaded_ = false;
    const entry::JournalRestore plan =
        entry::PlanJournalRestore(journal, FieldTexts(), wholeRecord);
    for (const auto& [name, text] : plan.apply) {
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
    if (!plan.conflicts.empty()) {
        QString lines;
        for (const auto& conflict : plan.conflicts) {
            lines += QStringLiteral("\n%1：修改前为“%2”，现在为“%3”，未保存的修改为“%4”")
                         .arg(QString::fromStdString(conflict.field),
                              QString::fromStdString(conflict.before),
                              QString::fromStdString(conflict.now),
                              QString::fromStdString(conflict.edited));
        }
        ShowMessage(
            QStringLiteral("这条记录在上次运行之后已经被改变（例如导入或恢复），下列字段保留"
                           "了现在的值，没有恢复未保存的修改：") +
                lines,
            this);
    }
}

void EntryWindow::BeginRestoring(RecordListView& list, const entry::EditJournal& journal) {
    // A record deleted since is restored as a new one: the edits are all the user has of it.
    const bool stored = !journal.newRecord && list.ReturnToCode(journal.code);
    Begin(!stored, list);
    RestoreFields(journal, !stored);
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
