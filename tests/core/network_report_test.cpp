#include "exchange/network_report.h"

#include "cipher/aes_file.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <variant>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

std::string FromGbk(const std::vector<unsigned char>& bytes) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    std::string out(bytes.size() * 2, '\0');
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    char* target = out.data();
    std::size_t targetLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &target, &targetLeft);
    iconv_close(cd);
    EXPECT_NE(result, static_cast<std::size_t>(-1)) << "not GBK";
    out.resize(out.size() - targetLeft);
    return out;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (auto at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    EXPECT_EQ(start, text.size()) << "every piece ends with its separator";
    return parts;
}

class NetworkReport : public ::testing::Test {
  protected:
    void AddRecord(std::int64_t c901, int state = 1) {
        SQLite::Statement data(copy.Db(), "INSERT INTO dt_data (c901, RecordState) VALUES (?, ?)");
        data.bind(1, c901);
        data.bind(2, state);
        data.exec();
        SQLite::Statement data1(copy.Db(), "INSERT INTO dt_data1 (c901) VALUES (?)");
        data1.bind(1, c901);
        data1.exec();
    }

    std::vector<unsigned char> PlainBytes() {
        WriteNetworkReportText(copy.Db(), plain, {});
        return ReadWholeFile(plain);
    }
    // Each line split into its comma-terminated values.
    std::vector<std::vector<std::string>> Lines() {
        std::vector<std::vector<std::string>> lines;
        for (const auto& line : Split(FromGbk(PlainBytes()), "\r\n"))
            lines.push_back(Split(line, ","));
        return lines;
    }
    static std::size_t Slot(const std::vector<std::string>& header, const std::string& name) {
        const auto at = std::find(header.begin(), header.end(), name);
        EXPECT_NE(at, header.end()) << name;
        return static_cast<std::size_t>(at - header.begin());
    }

    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};  // short codes
    fs::path plain = copy.Folder() / "plain.txt";
};

TEST_F(NetworkReport, EmptyDatabaseGivesTheHeaderAlone) {
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string expected =
        copy.Db()
            .execAndGet(
                "SELECT group_concat(FieldName, ',') FROM (SELECT FieldName FROM "
                "DT_FieldList WHERE sequence > 0 AND sequence < 1000 ORDER BY sequence)")
            .getString();
    EXPECT_EQ(FromGbk(PlainBytes()), expected + ",\r\n");
    EXPECT_EQ(lines[0].front(), "c901");
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), "RecordState"), 0);
    EXPECT_EQ(Slot(lines[0], "y001"), Slot(lines[0], "d055") + 1) << "y fields follow d055";
}

TEST_F(NetworkReport, ValueTextsByQueryType) {
    using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
    const struct {
        const char* table;
        const char* column;  // QueryType in the catalogue: z001 0, c902 1, b018 2, z009 3, y001 0
        Value stored;
        const char* text;
    } cases[] = {
        {"dt_data", "z001", {}, "0"},
        {"dt_data", "z001", std::int64_t{42}, "42"},
        {"dt_data", "z001", std::int64_t{-7}, "-7"},
        {"dt_data", "z001", 2.5, "2"},
        {"dt_data", "z001", 3.5, "4"},
        {"dt_data", "z001", -2.5, "-2"},
        {"dt_data", "z001", -0.4, "0"},
        {"dt_data", "z009", std::int64_t{2}, "2"},
        {"dt_data", "z009", {}, "0"},
        {"dt_data", "b018", {}, "0"},
        {"dt_data", "b018", 2.5, "2.5"},
        {"dt_data", "b018", 3.0, "3"},
        {"dt_data", "b018", 0.1, "0.1"},
        {"dt_data", "b018", 1.0 / 3, "0.333333333333333"},
        {"dt_data", "b018", -1234.5678, "-1234.5678"},
        {"dt_data", "b018", 0.000001, "1E-6"},
        {"dt_data", "b018", 0.00001, "0.00001"},
        {"dt_data", "b018", -1.25e-7, "-1.25E-7"},
        {"dt_data", "b018", 123456789012345.0, "123456789012345"},
        {"dt_data", "b018", 1e15, "1E15"},
        {"dt_data", "b018", 1.5e20, "1.5E20"},
        {"dt_data", "c902", {}, ""},
        {"dt_data", "c902", std::string("a,b－c"), "a，b－c"},
        {"dt_data", "c902", std::string("b－c－d"), "b-c-d"},
        {"dt_data", "c902", std::string("全国总工会"), "全国总工会"},
        {"dt_data1", "y001", {}, "0"},
        {"dt_data1", "y001", 12.6, "13"},
    };
    AddRecord(100000000001);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " -> " + c.text);
        SQLite::Statement update(copy.Db(),
                                 std::string("UPDATE ") + c.table + " SET " + c.column + " = ?");
        std::visit(
            [&](const auto& v) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(v)>, std::monostate>)
                    update.bind(1, v);
            },
            c.stored);
        update.exec();
        const auto lines = Lines();
        ASSERT_EQ(lines.size(), 2u);
        ASSERT_EQ(lines[1].size(), lines[0].size());
        EXPECT_EQ(lines[1][Slot(lines[0], c.column)], c.text);
        EXPECT_EQ(lines[1][0], "100000000001");
    }
}

TEST_F(NetworkReport, WritesGbkBytes) {
    AddRecord(1);
    copy.Db().exec("UPDATE dt_data SET c902 = '工会a,b', c905 = 'x😀y'");
    const auto bytes = PlainBytes();
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find(",x?y,"), std::string::npos) << "GBK lacks it";
    EXPECT_NE(text.find("\xB9\xA4\xBB\xE1"
                        "a\xA3\xAC"
                        "b,"),
              std::string::npos);
}

TEST_F(NetworkReport, OddCatalogueRowsKeepTheirEmptySlot) {
    AddRecord(5);
    copy.Db().exec(
        "UPDATE DT_FieldList SET QueryType = 9 WHERE FieldName = 'z001';"
        "UPDATE DT_FieldList SET sequence = 500 WHERE FieldName = 'RecordState';");
    const auto lines = Lines();
    EXPECT_EQ(lines[1][Slot(lines[0], "z001")], "");
    EXPECT_EQ(lines[1][Slot(lines[0], "RecordState")], "");
}

TEST_F(NetworkReport, PairsRecordsByCodeNotByPosition) {
    for (std::int64_t code : {3, 1, 2}) {
        SQLite::Statement data(copy.Db(),
                               "INSERT INTO dt_data (c901, RecordState, z001) VALUES (?, 1, ?)");
        data.bind(1, code);
        data.bind(2, code * 100);
        data.exec();
    }
    // An orphan row sorted first: a walk by position would shift every record's y values.
    for (std::int64_t code : {2, 0, 3, 1}) {
        SQLite::Statement data1(copy.Db(), "INSERT INTO dt_data1 (c901, y012) VALUES (?, ?)");
        data1.bind(1, code);
        data1.bind(2, code * 10);
        data1.exec();
    }
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    for (std::int64_t code = 1; code <= 3; ++code) {
        const auto& line = lines[static_cast<std::size_t>(code)];
        EXPECT_EQ(line[0], std::to_string(code));
        EXPECT_EQ(line[Slot(lines[0], "z001")], std::to_string(code * 100));
        EXPECT_EQ(line[Slot(lines[0], "y012")], std::to_string(code * 10));
    }
}

TEST_F(NetworkReport, GateNeedsEveryRecordClean) {
    const struct {
        std::vector<int> states;
        bool passes;
    } cases[] = {{{}, true}, {{1, 1}, true}, {{1, 0}, false}, {{2, 1, 1}, false}};
    for (const auto& c : cases) {
        copy.Db().exec("DELETE FROM dt_data; DELETE FROM dt_data1;");
        std::int64_t code = 1;
        for (int state : c.states) AddRecord(code++, state);
        if (c.passes) {
            EXPECT_NO_THROW(CheckNetworkReportGate(copy.Db()));
            continue;
        }
        try {
            ExportNetworkReport(copy.Db(), NetworkReportPathsFor(copy.Folder() / "r"), {});
            ADD_FAILURE() << "not blocked";
        } catch (const UserError& error) {
            EXPECT_STREQ(error.what(), "存在临时保存或逻辑错误的数据，不能导出上报数据!");
        }
        EXPECT_FALSE(fs::exists(copy.Folder() / "r.dat"));
        EXPECT_FALSE(fs::exists(copy.Folder() / "rtemp.dat"));
    }
}

TEST(NetworkReportNames, TargetAndPlainFile) {
    const struct {
        const char* chosen;
        const char* target;
        const char* plain;
    } cases[] = {
        {"/d/report", "/d/report.dat", "/d/reporttemp.dat"},
        {"/d/report.dat", "/d/report.dat", "/d/reporttemp.dat"},
        {"/d/report.DAT", "/d/report.DAT.dat", "/d/report.DATtemp.dat"},
        {".dat", ".dat.dat", ".dattemp.dat"},
    };
    for (const auto& c : cases) {
        const auto paths = NetworkReportPathsFor(c.chosen);
        EXPECT_EQ(paths.target, c.target);
        EXPECT_EQ(paths.plainTemp, c.plain);
    }
    using namespace std::chrono;
    EXPECT_EQ(SuggestedNetworkReportName(year{2018} / November / 20), "2018-11-20(网络版)");
    EXPECT_EQ(SuggestedNetworkReportName(year{2019} / January / 5), "2019-01-05(网络版)");
}

TEST(NetworkReportKey, NeverChanges) {
    // The receiver decrypts with this key: changing it makes every new report unreadable.
    EXPECT_EQ(NetworkReportKey(), "NRhV4Tw397ZpMLeQ");
}

class NetworkReportExport : public NetworkReport {
  protected:
    NetworkReportPaths paths = NetworkReportPathsFor(copy.Folder() / "out" / "report");
    void SetUp() override { fs::create_directories(copy.Folder() / "out"); }
    std::vector<fs::path> FilesInOut() {
        return {fs::directory_iterator(copy.Folder() / "out"), fs::directory_iterator()};
    }
};

TEST_F(NetworkReportExport, EncryptsThePlainTextAndRemovesIt) {
    AddRecord(1);
    AddRecord(2);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    const auto result = ExportNetworkReport(copy.Db(), paths, [&](auto done, auto total) {
        calls.emplace_back(done, total);
        return check::RunControl::Continue;
    });
    EXPECT_EQ(result.records, 2u);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(calls.front(), std::make_pair(std::uint64_t{0}, std::uint64_t{2}));
    EXPECT_EQ(calls.back(), std::make_pair(std::uint64_t{2}, std::uint64_t{2}));
    EXPECT_EQ(FilesInOut(), std::vector<fs::path>{paths.target});

    PlainBytes();
    cipher::EncryptFileWithTextKey(plain, copy.Folder() / "expected", NetworkReportKey());
    EXPECT_EQ(ReadWholeFile(paths.target), ReadWholeFile(copy.Folder() / "expected"));
}

TEST_F(NetworkReportExport, LeavesNothingBehindWhenItFailsOrStops) {
    AddRecord(1);
    AddRecord(2);
    fs::create_directory(paths.target);  // a folder where the report should go
    EXPECT_THROW(ExportNetworkReport(copy.Db(), paths, {}), fs::filesystem_error);
    EXPECT_EQ(FilesInOut(), std::vector<fs::path>{paths.target});
    fs::remove(paths.target);

    const auto result = ExportNetworkReport(copy.Db(), paths, [](auto done, auto) {
        return done == 1 ? check::RunControl::Stop : check::RunControl::Continue;
    });
    EXPECT_TRUE(result.stopped);
    EXPECT_TRUE(FilesInOut().empty());
}

TEST_F(NetworkReportExport, PlainExportReplacesOnlyWhenComplete) {
    AddRecord(1);
    WriteFileAtomically(copy.Folder() / "out" / "plain.txt", {'o', 'l', 'd'});
    ExportNetworkReportPlain(copy.Db(), copy.Folder() / "out" / "plain.txt", {});
    EXPECT_EQ(ReadWholeFile(copy.Folder() / "out" / "plain.txt"), PlainBytes());
    EXPECT_EQ(FilesInOut().size(), 1u);
}

}  // namespace
}  // namespace tallwick::exchange
