#include "entry/edit_journal_keeper.h"

#include "common/local_time.h"

#include <exception>

namespace tallwick::ui {

EditJournalKeeper::EditJournalKeeper(Snapshot snapshot, Folder folder, QObject* parent)
    : QObject(parent), snapshot_(std::move(snapshot)), folder_(std::move(folder)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (dirty_) Write();
    });
}

void EditJournalKeeper::Changed() {
    dirty_ = true;
    // Not restarted on every key: typing without a pause is journaled every interval all the same.
    if (!timer_.isActive()) timer_.start();
}

void EditJournalKeeper::FieldLeft() {
    if (dirty_) Write();
}

void EditJournalKeeper::Clear() {
    dirty_ = false;
    timer_.stop();
    try {
        entry::RemoveEditJournal(folder_());
    } catch (const std::exception&) {
        // No folder to look in (no database open): there is no journal either.
    }
}

void EditJournalKeeper::Write() {
    dirty_ = false;
    timer_.stop();
    try {
        entry::EditJournal journal = snapshot_();
        journal.time = FormatCurrentLocalTime("%Y-%m-%d %H:%M:%S");
        entry::WriteEditJournal(folder_(), journal);
    } catch (const std::exception&) {
        // The journal is a safety net under the typing, not a step of it: a full disk must not
        // interrupt the user, who saves the record as ever. The next change tries again; the
        // user is told once that the net is gone, not at every field.
        if (!failureSaid_) {
            failureSaid_ = true;
            emit WriteFailed();
        }
        return;
    }
    failureSaid_ = false;
    emit Written();
}

}  // namespace tallwick::ui
