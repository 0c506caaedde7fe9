#include "verify/keying_comparison.h"
#include "verify/taken_values.h"
#include "verify/verify_operations.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "entry/record_io.h"
#include "exchange/exchange_messages.h"
#include "exchange/package_header.h"
#include "exchange_test_data.h"
#include "store/password.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <functional>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

constexpr double kOne = 100000000001.0;
constexpr double kTwo = 100000000002.0;

// The comparison as the command line prints it.
std::vector<std::string> Lines(const verify::KeyingComparison& result) {
    std::vector<std::string> lines;
    for (const auto& d : result.differences) {
        lines.push_back(entry::CodeText(d.code) + "\t" + d.field + "\t" +
                        verify::ValueText(d.here) + "\t" + verify::ValueText(d.there));
    }
    for (const double code : result.onlyHere)
        lines.push_back("ONLY-HERE\t" + entry::CodeText(code));
    for (const double code : result.onlyThere)
        lines.push_back("ONLY-THERE\t" + entry::CodeText(code));
    return lines;
}

// The other installation's file as a package: sealed and masked, the way one travels.
fs::path AsPackage(const fs::path& plain) {
    const fs::path package = plain.parent_path() / "keyed-twice.dat";
    cipher::SealFile(plain, package, DerivePassword());
    exchange::MaskPackageHeader(package);
    return package;
}

struct Keyings {
    test::DeliveredDatabaseCopy here;
    test::DeliveredDatabaseCopy there{test::WithoutLimitGuards{}};
    Keyings() {
        test::AddRecord(here.Db(), kOne, "甲工会");
        test::AddRecord(here.Db(), kTwo, "乙工会");
        test::AddRecord(there.Db(), kOne, "甲工会");
        test::AddRecord(there.Db(), kTwo, "乙工会");
    }
};

TEST(KeyingComparison, ListsEachDifferingAnswerAndTheRecordsOfOneSide) {
    struct Case {
        const char* name;
        std::function<void(SQLite::Database& here, SQLite::Database& there)> change;
        std::vector<std::string> expected;
        bool package = false;
    };
    const Case cases[] = {
        {"equal records", [](auto&, auto&) {}, {}},
        {"one answer differing",
         [](auto&, SQLite::Database& there) {
             there.exec("UPDATE dt_data SET z001 = 64 WHERE c901 = 100000000002");
         },
         {"100000000002\tz001\t7\t64"}},
        {"an answer of the second table",
         [](auto&, SQLite::Database& there) {
             there.exec("UPDATE dt_data1 SET y001 = 1.5 WHERE c901 = 100000000001");
         },
         {"100000000001\ty001\t1.25\t1.5"}},
        // A file of a layout that keeps whole answers as decimals: 7 and 7.0 are the same answer.
        {"decimal vs whole",
         [](auto&, SQLite::Database& there) {
             there.exec(
                 "ALTER TABLE dt_data RENAME COLUMN z001 TO z001_whole;"
                 "ALTER TABLE dt_data ADD COLUMN z001 REAL;"
                 "UPDATE dt_data SET z001 = 7.0;"
                 "UPDATE dt_data SET z001 = 7.5 WHERE c901 = 100000000002");
         },
         {"100000000002\tz001\t7\t7.5"}},
        {"text fields of the cover",
         [](auto&, SQLite::Database& there) {
             there.exec(
                 "UPDATE dt_data SET c902 = '甲工会委员会', c905 = '王五' WHERE c901 = "
                 "100000000001");
         },
         {"100000000001\tc902\t甲工会\t甲工会委员会", "100000000001\tc905\t\t王五"}},
        {"records only on one side",
         [](SQLite::Database& here, SQLite::Database& there) {
             test::AddRecord(here, 100000000005.0, "丙");
             test::AddRecord(there, 100000000003.0, "丁");
             test::AddRecord(there, 100000000004.0, "戊");
         },
         {"ONLY-HERE\t100000000005", "ONLY-THERE\t100000000003", "ONLY-THERE\t100000000004"}},
        {"a package file",
         [](auto&, SQLite::Database& there) {
             there.exec("UPDATE dt_data SET d055 = 4 WHERE c901 = 100000000001");
         },
         {"100000000001\td055\t3\t4"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Keyings keyings;
        c.change(keyings.here.Db(), keyings.there.Db());
        keyings.there.CloseDb();
        fs::path chosen = keyings.there.FilePath();
        if (c.package) chosen = AsPackage(chosen);
        const auto bytes = ReadWholeFile(chosen);
        const auto result =
            verify::CompareKeyings(keyings.here.Db(), chosen, keyings.here.Folder());
        EXPECT_EQ(Lines(result), c.expected);
        EXPECT_EQ(ReadWholeFile(chosen), bytes) << "the chosen file was changed";
    }
}

TEST(KeyingComparison, RefusesAFileItCannotTrust) {
    Keyings keyings;
    SQLite::Database& here = keyings.here.Db();
    const fs::path folder = keyings.there.Folder();
    {
        SQLite::Transaction transaction(keyings.there.Db());
        for (int i = 0; i < 1500; ++i)
            test::AddRecord(keyings.there.Db(), 200000000000.0 + i, "工会");
        transaction.commit();
    }
    keyings.there.CloseDb();
    const fs::path damaged = folder / "damaged.mdb";
    fs::copy_file(keyings.there.FilePath(), damaged);
    test::DamageMiddleRecordPage(damaged);
    const fs::path foreign = folder / "foreign.mdb";
    fs::copy_file(keyings.there.FilePath(), foreign);
    SQLite::Database(foreign.string(), SQLite::OPEN_READWRITE).exec("DROP TABLE dt_data1");
    const fs::path noise = folder / "noise.dat";
    WriteFileAtomically(noise, std::vector<unsigned char>(4096, 0x5a));

    const struct {
        fs::path file;
        std::string messageStart;
    } cases[] = {
        {damaged, "所选文件已经损坏（完整性检查没有通过："},
        {foreign, "所选文件的数据表与本系统的不一致"},
        {noise, exchange::messages::kFileFormat},
        {keyings.here.FilePath(), exchange::messages::kCompareOwnDatabase},
        {folder / "missing.mdb", exchange::messages::kFileMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        try {
            verify::CompareKeyings(here, c.file, keyings.here.Folder());
            ADD_FAILURE() << "the file was compared";
        } catch (const UserError& error) {
            const std::string text = error.what();
            EXPECT_TRUE(text.starts_with(c.messageStart)) << text;
            EXPECT_EQ(text.find("导入"), std::string::npos) << text;
        }
    }
}

std::vector<std::string> HistoryRows(SQLite::Database& db) {
    SQLite::Statement query(
        db,
        "SELECT Operation || '|' || c901 || '|' || ifnull(FieldName, '') || '|' "
        "|| ifnull(OldValue, '') || '|' || ifnull(NewValue, '') FROM dt_history "
        "ORDER BY c901, FieldName");
    std::vector<std::string> rows;
    while (query.executeStep()) rows.push_back(query.getColumn(0).getString());
    return rows;
}

TEST(TakenValues, AreEditsWithHistoryRowsInOneTransaction) {
    test::DeliveredDatabaseCopy here;
    SQLite::Database& db = here.Db();
    test::AddRecord(db, kOne, "甲工会", 0);
    test::AddRecord(db, kTwo, "乙工会", 0);

    // The second record's name is longer than the field allows: nothing at all is written.
    const std::string tooLong(61, 'x');
    EXPECT_ANY_THROW(verify::WriteTakenValues(
        db, {{kOne, "z001", std::int64_t{64}}, {kTwo, "c902", tooLong}}, verify::kComparedEntry));
    EXPECT_TRUE(HistoryRows(db).empty());
    EXPECT_EQ(db.execAndGet("SELECT z001 FROM dt_data WHERE c901 = 100000000001").getInt(), 7);

    EXPECT_EQ(verify::WriteTakenValues(db,
                                       {{kOne, "z001", std::int64_t{64}},
                                        {kOne, "y001", 3.0},
                                        {kTwo, "c902", std::string("乙工会委员会")},
                                        {kTwo, "d055", std::int64_t{3}}},
                                       verify::kComparedEntry),
              2u);
    EXPECT_EQ(HistoryRows(db),
              (std::vector<std::string>{"比对录入|100000000001.0|y001|1.25|3",
                                        "比对录入|100000000001.0|z001|7|64",
                                        "比对录入|100000000002.0|c902|乙工会|乙工会委员会"}));
    EXPECT_EQ(test::Rows(db, "dt_data").size(), 2u);
    EXPECT_EQ(db.execAndGet("SELECT group_concat(z001 || '/' || c902 || '/' || RecordState, ';') "
                            "FROM (SELECT * FROM dt_data ORDER BY c901)")
                  .getString(),
              "64/甲工会/0;7/乙工会委员会/0");
    EXPECT_EQ(db.execAndGet("SELECT y001 FROM dt_data1 WHERE c901 = 100000000001").getDouble(),
              3.0);
}

TEST(TakenValues, ASavedRecordIsJudgedAgainAndAHeldOneStaysHeld) {
    test::DeliveredDatabaseCopy here;
    SQLite::Database& db = here.Db();
    const double held = 100000000003.0;
    // Records that break no rule but for what each line says.
    for (const auto& [code, state] : {std::pair{kOne, 1}, std::pair{kTwo, 2}, std::pair{held, 0}}) {
        SQLite::Statement data(db,
                               "INSERT INTO dt_data (c901, c904, c907, RecordState, z001, z002, "
                               "z003) VALUES (?, 4, 1, ?, 7, 3, 7)");
        data.bind(1, code);
        data.bind(2, state);
        data.exec();
        db.exec("INSERT INTO dt_data1 (c901) VALUES (" + entry::CodeText(code) + ")");
    }
    db.exec("UPDATE dt_data SET z002 = 9 WHERE c901 = 100000000002");  // more women than cadres
    const auto stateOf = [&db](double code) {
        SQLite::Statement query(db, "SELECT RecordState FROM dt_data WHERE c901 = ?");
        query.bind(1, code);
        query.executeStep();
        return query.getColumn(0).getInt();
    };

    verify::WriteTakenValues(db,
                             {{kOne, "z002", std::int64_t{9}},
                              {kTwo, "z002", std::int64_t{3}},
                              {held, "z002", std::int64_t{9}}},
                             verify::kComparedEntry);
    EXPECT_EQ(stateOf(kOne), 2);  // z002 <= z001 broken
    EXPECT_EQ(stateOf(held), 0);
    EXPECT_EQ(stateOf(kTwo), 1);  // mended
}

}  // namespace
}  // namespace tallwick
