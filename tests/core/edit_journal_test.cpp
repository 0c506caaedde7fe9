// The entry window's journal: written and read back, replaced whole even when the writer is
// killed at any moment, and refused whenever it is half written or damaged.
#include "entry/edit_journal.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace tallwick::entry {
namespace {
namespace fs = std::filesystem;

// The size of a real journal: the cover and the survey fields.
EditJournal Journal(const std::string& mark) {
    EditJournal journal;
    journal.newRecord = false;
    journal.code = 110000000001;
    journal.name = "市总工会 \"第一\"\t" + mark;
    journal.time = "2018-10-01 09:30:0" + mark.substr(0, 1);
    journal.page = 3;
    journal.fields = {{"c901", "110000000001"}, {"c902", journal.name}, {"c905", ""}};
    for (int i = 1; i <= 240; ++i) journal.fields.emplace_back("z" + std::to_string(i), mark);
    return journal;
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(EditJournal, WhatIsWrittenIsReadBackAndNothingElseStaysBehind) {
    test::TempFolder folder;
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kNone);
    EditJournal fresh;
    fresh.fields = {{"c901", "0"}};
    for (const EditJournal& journal : {Journal("1"), fresh}) {
        WriteEditJournal(folder.Path(), journal);
        const JournalReading reading = ReadEditJournal(folder.Path());
        ASSERT_EQ(reading.status, JournalStatus::kFound);
        EXPECT_EQ(reading.journal, journal);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
    RemoveEditJournal(folder.Path());
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kNone);
}

TEST(EditJournal, AHalfWrittenOrDamagedJournalIsNeverTakenForOne) {
    const std::string whole = FormatEditJournal(Journal("7"));
    ASSERT_TRUE(ParseEditJournal(whole));
    // Every length a write could have stopped at.
    for (std::size_t length = 0; length < whole.size() - 1; ++length)
        EXPECT_FALSE(ParseEditJournal(whole.substr(0, length))) << length;
    // Any byte changed.
    for (std::size_t at = 0; at < whole.size() - 1; ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        EXPECT_FALSE(ParseEditJournal(damaged)) << at;
    }
    // Intact sums over content that is not a journal, as a writer of another shape would seal it.
    const std::string content = whole.substr(0, whole.find(",\"sha256\""));
    ASSERT_EQ(SealJournalContent(content), whole);
    const struct {
        const char* name;
        std::string from;
        std::string to;
    } shapes[] = {
        {"another format", "tallwick-entry-journal", "tallwick-entry-journey"},
        {"another version", "\"version\":1", "\"version\":2"},
        {"a field that is no text", "\"c905\":\"\"", "\"c905\":5"},
        {"a code that is no number", "\"code\":\"110000000001\"", "\"code\":\"11x\""},
        {"no fields", "\"fields\":{", "\"fieldz\":{"},
        {"a broken string", "\"page\":3", "\"page\":\"3"},
    };
    for (const auto& shape : shapes) {
        std::string changed = content;
        ASSERT_NE(changed.find(shape.from), std::string::npos) << shape.name;
        changed.replace(changed.find(shape.from), shape.from.size(), shape.to);
        EXPECT_FALSE(ParseEditJournal(SealJournalContent(changed))) << shape.name;
    }
    for (const std::string& text : {std::string(), std::string("{}"), std::string("\0\0\0", 3)})
        EXPECT_FALSE(ParseEditJournal(text));
}

TEST(EditJournal, ADamagedJournalIsSetAsideAndNotMetAgain) {
    test::TempFolder folder;
    const std::string whole = FormatEditJournal(Journal("1"));
    WriteText(folder.Path() / kEditJournalName, whole.substr(0, whole.size() / 2));
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kDamaged);
    SetDamagedJournalAside(folder.Path());
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kNone);
    EXPECT_EQ(FileText(folder.Path() / kDamagedJournalName), whole.substr(0, whole.size() / 2));

    // A folder of the journal's name cannot be read as one: set aside all the same, with what it
    // holds, and not met again; a journal damaged later still goes aside.
    fs::create_directories(folder.Path() / kEditJournalName / "inside");
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kDamaged);
    SetDamagedJournalAside(folder.Path());
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kNone);
    EXPECT_TRUE(fs::is_directory(folder.Path() / kDamagedJournalName / "inside"));
    WriteText(folder.Path() / kEditJournalName, "{");
    SetDamagedJournalAside(folder.Path());
    EXPECT_EQ(ReadEditJournal(folder.Path()).status, JournalStatus::kNone);
}

// A writer killed at a random moment, again and again: the journal on disk is always one of
// the complete journals it wrote, never a mixture or a fragment.
TEST(EditJournal, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewJournal) {
    test::TempFolder folder;
    const EditJournal first = Journal("0");
    WriteEditJournal(folder.Path(), first);
    const EditJournal even = Journal("2");
    const EditJournal odd = Journal("3");
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) WriteEditJournal(folder.Path(), i % 2 == 0 ? even : odd);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 700 * round));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const JournalReading reading = ReadEditJournal(folder.Path());
        ASSERT_EQ(reading.status, JournalStatus::kFound) << round;
        EXPECT_TRUE(reading.journal == first || reading.journal == even || reading.journal == odd);
    }
}

}  // namespace
}  // namespace tallwick::entry
