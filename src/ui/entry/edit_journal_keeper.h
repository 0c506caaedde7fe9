#pragma once

#include "entry/edit_journal.h"

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <functional>

namespace tallwick::ui {

// Keeps the journal of the entry window's unsaved edits up to date without the user noticing:
// written when a changed field is left, and at the latest kInterval after a change while the
// user goes on typing in the same field; never written when nothing changed since the last time.
class EditJournalKeeper : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 2000;

    using Snapshot = std::function<entry::EditJournal()>;
    using Folder = std::function<std::filesystem::path()>;
    EditJournalKeeper(Snapshot snapshot, Folder folder, QObject* parent = nullptr);

    void Changed();    // an edit on screen
    void FieldLeft();  // a field was left: its value goes in now if anything changed
    void Clear();      // the edits were saved or dropped: the journal goes
    bool HasUnwrittenChanges() const { return dirty_; }

  signals:
    // Once when the journal cannot be written, not again until a write has succeeded.
    void WriteFailed();
    void Written();

  private:
    void Write();

    Snapshot snapshot_;
    Folder folder_;
    QTimer timer_;
    bool dirty_ = false;
    bool failureSaid_ = false;
};

}  // namespace tallwick::ui
