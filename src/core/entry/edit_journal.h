#pragma once

// The journal of the entry window's unsaved edits: what the window shows of the record being
// edited, kept in the data folder while edits are unsaved, so that a crash loses nothing that
// was typed. Nothing here writes into the records; the window restores the edits and the user
// decides whether to save them.
//
// The file is JSON with a SHA-256 of its content as the last member; it is replaced whole
// (WriteFileDurably), so it is either the previous journal or the new one. A file whose sum or
// shape is wrong is damaged and never applied.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tallwick::entry {

inline constexpr const char* kEditJournalName = "entry-journal.json";
// Where a damaged journal is moved, so that it is not met again and can still be looked at.
inline constexpr const char* kDamagedJournalName = "entry-journal.damaged.json";

struct EditJournal {
    bool newRecord = true;  // the record is not stored yet
    double code = 0;        // the stored record the edits belong to, when not new
    std::string name;       // the union's name as shown (c902)
    std::string time;       // when the journal was written, local "YYYY-MM-DD HH:MM:SS"
    int page = 0;           // the page shown
    // Every control's field (lower case) with its value as shown, separators left out.
    std::vector<std::pair<std::string, std::string>> fields;
    // The fields' values before the edits, as the record was loaded or last written; an older
    // journal has none.
    std::vector<std::pair<std::string, std::string>> before;

    bool operator==(const EditJournal&) const = default;
};

// What a journal brings back onto the record as it is loaded now.
struct JournalConflict {
    std::string field;
    std::string before;  // when the edit was made
    std::string now;     // as the record holds it now
    std::string edited;  // the unsaved edit, not applied
};
struct JournalRestore {
    std::vector<std::pair<std::string, std::string>> apply;
    std::vector<JournalConflict> conflicts;
};

// The journal's edits to apply over `current`, the record's fields as the window shows them now:
// only the fields the user changed, and of those a field whose value changed since the edit (an
// import or a restore in between) keeps that change and is named as a conflict instead. A
// `wholeRecord` (the record is new, or was deleted since) takes every field of the journal.
JournalRestore PlanJournalRestore(const EditJournal& journal,
                                  const std::vector<std::pair<std::string, std::string>>& current,
                                  bool wholeRecord);

std::string FormatEditJournal(const EditJournal& journal);
// The file's form of `content`, a JSON object without its closing brace: the digest of exactly
// these bytes is appended as the last member and closes the object.
std::string SealJournalContent(const std::string& content);
// Nothing when the text is not a complete, intact journal.
std::optional<EditJournal> ParseEditJournal(std::string_view text);

void WriteEditJournal(const std::filesystem::path& folder, const EditJournal& journal);

enum class JournalStatus { kNone, kFound, kDamaged };
struct JournalReading {
    JournalStatus status = JournalStatus::kNone;
    EditJournal journal;  // when found
};
JournalReading ReadEditJournal(const std::filesystem::path& folder);

// Errors are ignored: a journal that stays behind is offered once more, which is harmless.
void RemoveEditJournal(const std::filesystem::path& folder);
// Renames a damaged journal to kDamagedJournalName, replacing an earlier one.
void SetDamagedJournalAside(const std::filesystem::path& folder);

}  // namespace tallwick::entry
