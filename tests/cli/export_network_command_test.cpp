
#include "command.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/network_report.h"
#include "store/database.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {
namespace fs = std::filesystem;

class CliExportNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        copy.Db().exec(
            "INSERT INTO dt_data (c901, c902, RecordState) VALUES (100000000001, '甲', 1);"
            "INSERT INTO dt_data1 (c901) VALUES (100000000001);");
        copy.CloseDb();
    }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunExportNetwork({std::move(args), copy.Folder(), out, err});
    }

    test::DeliveredDatabaseCopy copy;
    test::TempFolder target;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliExportNetwork, WritesTheEncryptedReportAndThePlainText) {
    const fs::path chosen = target.Path() / "report";
    const fs::path plain = target.Path() / "plain.txt";
    ASSERT_EQ(Run({"-o", chosen.string(), "--plain", plain.string()}), 0) << err.str();
    const fs::path dat = target.Path() / "report.dat";
    EXPECT_EQ(out.str(), dat.string() + "\n" + plain.string() + "\n导出上报数据成功\n");

    const auto text = ReadWholeFile(plain);
    const auto encrypted = ReadWholeFile(dat);
    ASSERT_GE(encrypted.size(), 8u);
    std::uint64_t length = 0;
    for (int i = 7; i >= 0; --i) length = length << 8 | encrypted[static_cast<std::size_t>(i)];
    EXPECT_EQ(length, text.size());
    EXPECT_EQ(encrypted.size(), 8 + (text.size() + 15) / 16 * 16);
    EXPECT_EQ(std::string(text.begin(), text.begin() + 5), "c901,");
    EXPECT_FALSE(fs::exists(target.Path() / "reporttemp.dat"));
}

// The plain text never lands on a file of the user's that bears its name.
TEST_F(CliExportNetwork, AUsersFileNamedLikeThePlainTextStays) {
    const fs::path users = target.Path() / "reporttemp.dat";
    WriteFileAtomically(users, {'m', 'i', 'n', 'e'});
    ASSERT_EQ(Run({"-o", (target.Path() / "report").string()}), 0) << err.str();
    EXPECT_EQ(ReadWholeFile(users), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(target.Path()), fs::directory_iterator()), 2);
}

TEST_F(CliExportNetwork, RefusesIncompleteDataAndBadArguments) {
    auto db = OpenExistingSqlite(copy.FilePath());
    db->exec("UPDATE dt_data SET RecordState = 0");
    db.reset();
    try {
        Run({"-o", (target.Path() / "r").string()});
        ADD_FAILURE() << "not refused";
    } catch (const UserError& error) {
        // Followed by the counts and codes of the records to mend.
        EXPECT_EQ(std::string(error.what()).rfind(exchange::kIncompleteDataMessage, 0), 0u)
            << error.what();
    }
    EXPECT_TRUE(fs::is_empty(target.Path()));

    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"-o"}, {"-o", "a", "-o", "b"}, {"--plain", ""}, {"--bogus", "x"}}) {
        EXPECT_EQ(Run(args), 2) << (args.empty() ? "(none)" : args.back());
    }
}

TEST_F(CliExportNetwork, FileErrorsGoToStderr) {
    ASSERT_EQ(Run({"-o", (target.Path() / "missing" / "r").string()}), 1);
    EXPECT_NE(err.str().find("missing"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tallwick::cli
