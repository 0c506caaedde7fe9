// The offline-version data package: gate, provider name, file names, contents, header masking.
#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/file_names.h"
#include "exchange/package_export.h"
#include "exchange/package_header.h"
#include "exchange/package_template.h"
#include "exchange_test_data.h"
#include "store/database.h"
#include "store/password.h"
#include "store/program_folder.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

class PackageExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildPackageTemplate(copy.FilePath(), templateFile);
        test::AddRecord(db, 100000000001.0, "甲工会");
        test::AddRecord(db, 100000000002.0, "O'Brien \"乙\"");
    }

    // The package's database in the clear, as the import sees it.
    std::unique_ptr<SQLite::Database> OpenPackage() {
        auto bytes = ReadWholeFile(target);
        UnmaskHeader(bytes);
        const fs::path plain = copy.Folder() / "plain.db";
        WriteFileAtomically(plain, cipher::Unseal(bytes, DerivePassword()));
        return OpenExistingSqlite(plain);
    }

    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    fs::path templateFile = copy.Folder() / kPackageTemplateName;
    fs::path target = copy.Folder() / "pkg.dat";
};

TEST_F(PackageExportTest, HeldOrFaultyRecordsBlockTheExportAndWriteNoFile) {
    for (int state : {0, 2}) {
        SCOPED_TRACE(state);
        test::AddRecord(db, 100000000009.0, "丙", state);
        try {
            ExportPackage(db, templateFile, target, "某某区总工会");
            FAIL() << "exported";
        } catch (const UserError& error) {
            EXPECT_STREQ(error.what(), messages::kExportBlocked);
        }
        EXPECT_FALSE(fs::exists(target));
        db.exec(
            "DELETE FROM dt_data WHERE c901 = 100000000009; "
            "DELETE FROM dt_data1 WHERE c901 = 100000000009");
    }
    db.exec("DELETE FROM dt_data; DELETE FROM dt_data1");
    EXPECT_NO_THROW(CheckExportGate(db));  // an empty database may report
}

TEST_F(PackageExportTest, PackageHoldsTheRecordsTheirSecondRowsAndTheLabel) {
    const auto before = test::RecordRows(db);
    const auto result = ExportPackage(db, templateFile, target, "某某区 O'总工会");
    EXPECT_EQ(result.records, 2u);
    EXPECT_EQ(result.message, "数据已经被正确导出到：'" + target.string() + "'！");
    EXPECT_EQ(test::RecordRows(db), before);  // the working database is unchanged

    auto package = OpenPackage();
    EXPECT_EQ(test::RecordRows(*package), before);
    EXPECT_EQ(package->execAndGet("SELECT group_concat(db_name) FROM ct_label").getString(),
              "某某区 O'总工会");
}

TEST_F(PackageExportTest, TheHeaderIsMaskedAndTheRestIsTheSealedDatabase) {
    ExportPackage(db, templateFile, target, "x");
    const auto masked = ReadWholeFile(target);
    ASSERT_GT(masked.size(), 2 * kMaskedLength);
    EXPECT_EQ(masked[0], kMaskedFirstByte);

    auto unmasked = masked;
    UnmaskHeader(unmasked);
    EXPECT_TRUE(cipher::IsSealed(unmasked));
    EXPECT_TRUE(
        std::equal(masked.begin() + kMaskedLength, masked.end(), unmasked.begin() + kMaskedLength));
    EXPECT_FALSE(std::equal(masked.begin(), masked.begin() + kMaskedLength, unmasked.begin()));
}

TEST(PackageHeader, MaskingIsReversibleForEveryByteAndLegacyFilesGetTheSignature) {
    std::vector<unsigned char> all(256);
    for (int b = 0; b < 256; ++b) all[b] = static_cast<unsigned char>(b);
    all[0] = 'T';
    auto bytes = all;
    MaskHeader(bytes);
    UnmaskHeader(bytes);
    EXPECT_EQ(bytes, all);

    std::vector<unsigned char> legacy(40, 'f');
    UnmaskHeader(legacy);
    EXPECT_EQ(std::string(legacy.begin(), legacy.begin() + 16), std::string("SQLite format 3", 16));
    EXPECT_EQ(legacy[16], 'f');

    std::vector<unsigned char> other = {'S', 1, 2};
    UnmaskHeader(other);
    EXPECT_EQ(other, (std::vector<unsigned char>{'S', 1, 2}));
}

// Masking and unmasking agree with each other whatever the constants are: only fixed bytes show
// that packages of other installations and earlier versions still open.
TEST(PackageHeader, KnownBytesHaveTheirFixedMaskedImage) {
    std::vector<unsigned char> bytes = {0x00, 0x01, 'T', 0x7F, 0x80, 0xC8, 0xFF};
    MaskHeader(bytes);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x92, 0x9D, 0x2E, 0x13, 0x12, 0x5A, 0x93}));
    EXPECT_EQ(kMaskedFirstByte, 0x2E);

    std::vector<unsigned char> longer(1025, 0x00);
    MaskHeader(longer);
    EXPECT_EQ(longer[1023], 0x92);
    EXPECT_EQ(longer[1024], 0x00);  // the 1025th byte is beyond the mask

    std::vector<unsigned char> masked(1025, 0x92);
    masked[0] = 0x2E;
    UnmaskHeader(masked);
    EXPECT_EQ(masked[0], 'T');
    EXPECT_EQ(masked[1023], 0x00);
    EXPECT_EQ(masked[1024], 0x92);
}

TEST_F(PackageExportTest, AFailedExportLeavesAnExistingTargetAlone) {
    WriteFileAtomically(target, {'o', 'l', 'd'});
    fs::remove(templateFile);
    try {
        ExportPackage(db, templateFile, target, "x");
        FAIL() << "exported";
    } catch (const UserError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("运行中发生错误：")) << error.what();
        EXPECT_TRUE(std::string(error.what()).ends_with(",请与软件发行者联系。")) << error.what();
    }
    EXPECT_EQ(ReadWholeFile(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

TEST_F(PackageExportTest, TemplateHasTheWorkingColumnsAndOneLabelRow) {
    const fs::path plain = copy.Folder() / "template.db";
    cipher::UnsealFile(templateFile, plain, DerivePassword());
    auto empty = OpenExistingSqlite(plain);
    for (const char* table : {"dt_data", "dt_data1", "ct_label"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(TableColumns(*empty, "main", table), TableColumns(db, "main", table));
    }
    EXPECT_EQ(empty->execAndGet("SELECT count(*) FROM dt_data").getInt(), 0);
    EXPECT_EQ(empty->execAndGet("SELECT count(*) FROM ct_label").getInt(), 1);
}

TEST(PackageNames, ProviderNameRules) {
    std::string twoHundred;
    for (int i = 0; i < 200; ++i) twoHundred += "汉";
    const struct {
        std::string name;
        std::optional<std::string> problem;
    } cases[] = {
        {"默认数据库", messages::kDefaultLabelRefused},
        {"默认数据库 ", std::nullopt},  // taken as entered, not trimmed
        {"", std::nullopt},
        {twoHundred, std::nullopt},
        {twoHundred + "a", messages::kProviderNameTooLong},
    };
    for (const auto& c : cases) EXPECT_EQ(ProviderNameProblem(c.name), c.problem) << c.name;
}

TEST(PackageNames, SuggestedNameAndDialogExtensions) {
    std::tm day{};
    day.tm_year = 118;
    day.tm_mon = 10;
    day.tm_mday = 20;
    EXPECT_EQ(SuggestedPackageName("某某区总工会", day), "某某区总工会-2018-11-20(离线版)");

    const struct {
        std::string name, package, backup;
    } cases[] = {
        {"pkg", "pkg.dat", "pkg"},
        {"pkg.dat", "pkg.dat", "pkg.dat.mdb"},
        {"pkg.DAT", "pkg.DAT.dat", "pkg.DAT.mdb"},
        {"a.mdb", "a.mdb.dat", "a.mdb"},
        {"备份文件", "备份文件.dat", "备份文件"},
        {"备份文件夹", "备份文件夹.dat", "备份文件夹.mdb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithPackageExtension(c.name), c.package) << c.name;
        EXPECT_EQ(WithExtension(c.name, ".mdb"), c.backup) << c.name;
    }
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
}

// A data folder given by --data-dir or the environment has no template of its own as a rule: the
// delivered one serves (found as every delivered file is), unless the folder brings its own.
TEST(PackageTemplate, TheDataFoldersOwnTemplateElseTheDeliveredOne) {
    test::TempFolder folder;
    const ProgramPlaces places = CurrentProgramPlaces();
    EXPECT_EQ(PackageTemplatePath(folder.Path()),
              DeliveredFile(folder.Path(), kPackageTemplateName, places));
    WriteFileAtomically(folder.Path() / kPackageTemplateName, {'x'});
    EXPECT_EQ(PackageTemplatePath(folder.Path()), folder.Path() / kPackageTemplateName);
}

}  // namespace
}  // namespace tallwick::exchange
