#pragma once

// The typing that the journal tests recover from, shared by the in-process test and the process
// that is killed: one stored record, its telephone changed and left for 表1, a survey field
// changed and left, and a second survey field typed into and not left.
#include "entry/edit_journal.h"
#include "entry/entry_window.h"
#include "list/record_list_view.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <SQLiteCpp/Database.h>

#include <filesystem>

namespace tallwick::test {

inline constexpr double kJournaledCode = 100000000001;

inline void StoreJournaledRecord(SQLite::Database& db) {
    db.exec(
        "INSERT INTO dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z002) "
        "VALUES (100000000001, '市总工会', 110101, 1, '张三', '010-12345678', 1, 1, 5, 2);"
        "INSERT INTO dt_data1 (c901) VALUES (100000000001)");
}

inline QLineEdit* Edit(ui::EntryWindow& window, const char* field) {
    return static_cast<QLineEdit*>(window.Field(QString::fromLatin1(field)));
}

inline const std::string* JournaledValue(const entry::EditJournal& journal, const char* field) {
    for (const auto& [name, value] : journal.fields) {
        if (name == field) return &value;
    }
    return nullptr;
}

// True once the journal in `folder` holds `value` for `field`.
inline bool Journaled(const std::filesystem::path& folder, const char* field, const char* value) {
    const entry::JournalReading reading = entry::ReadEditJournal(folder);
    if (reading.status != entry::JournalStatus::kFound) return false;
    const std::string* stored = JournaledValue(reading.journal, field);
    return stored != nullptr && *stored == value;
}

// Types as a user would into the window, which shows the stored record; returns once the last,
// unfinished field has reached the journal by the clock alone, or else the step that failed.
inline std::string TypeWithoutSaving(ui::EntryWindow& window, ui::RecordListView& list,
                                     const std::filesystem::path& folder) {
    list.Model().Reload();
    list.MoveToFirst();
    window.Begin(false, list);
    window.show();
    QApplication::setActiveWindow(&window);
    if (!QTest::qWaitForWindowActive(&window)) return "the window did not become active";

    // The telephone, the cover's last field: Enter leaves it for 表1.
    QLineEdit* telephone = Edit(window, "c906");
    telephone->setFocus();
    telephone->selectAll();
    QTest::keyClicks(telephone, "01087654321");
    QTest::keyClick(telephone, Qt::Key_Return);  // left: in the journal at once
    if (!Journaled(folder, "c906", "01087654321")) return "the field left is not in the journal";
    if (window.Form().pages->currentIndex() != 1) return "Enter did not lead on to 表1";

    QLineEdit* first = Edit(window, "z001");
    if (QApplication::focusWidget() != first) return "表1 did not open on its first field";
    first->selectAll();
    QTest::keyClicks(first, "123");
    QTest::keyClick(first, Qt::Key_Return);
    if (!Journaled(folder, "z001", "123")) return "the survey field left is not in the journal";

    QLineEdit* second = Edit(window, "z002");
    second->selectAll();
    QTest::keyClicks(second, "45");  // not left: the journal's clock takes it
    if (Journaled(folder, "z002", "45")) return "the journal was written before its time";
    for (int waited = 0; waited < 5000 && !Journaled(folder, "z002", "45"); waited += 50)
        QTest::qWait(50);
    return Journaled(folder, "z002", "45") ? "" : "the field typed in is not in the journal";
}

}  // namespace tallwick::test
