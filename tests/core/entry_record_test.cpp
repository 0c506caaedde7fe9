// One record's two rows as the entry window reads and writes them, on the delivered database.
#include "entry/code_tables.h"
#include "entry/record_io.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace tallwick::entry;

class EntryRecordTest : public ::testing::Test {
  protected:
    tallwick::test::DeliveredDatabaseCopy copy;
    EntryCatalogue catalogue = EntryCatalogue::Read(copy.Db());

    int Count(const std::string& sql) { return copy.Db().execAndGet(sql).getInt(); }

    // Every field has a control; the cover codes are valid ones, survey fields hold `fill`.
    FieldSource Controls(double code, double fill, const std::string& name = "工会") {
        return [=](const std::string& field) -> std::optional<FieldValue> {
            if (field == "RecordState") return std::nullopt;  // no control
            if (field == "c901") return code;
            if (field == "c902") return std::string("  ") + name + " ";
            if (field == "c905" || field == "c906") return std::string("x");
            if (field == "c903") return std::int64_t{110101};
            if (field == "c904") return std::int64_t{10};
            if (field == "c907") return std::int64_t{1};
            return fill;
        };
    }
};

TEST_F(EntryRecordTest, CatalogueDividesTheTwoTables) {
    const auto data = catalogue.DataRows();
    const auto data1 = catalogue.Data1Rows();
    ASSERT_EQ(catalogue.Rows().size(), 250u);
    EXPECT_EQ(data.size(), 237u);
    EXPECT_EQ(data.back()->fieldName, "d055");
    ASSERT_EQ(data1.size(), 14u);
    EXPECT_EQ(data1.front()->fieldName, "c901");
    EXPECT_EQ(data1[1]->fieldName, "y001");
    EXPECT_EQ(data1.back()->fieldName, "RecordState");
}

TEST_F(EntryRecordTest, NewCodeIsTheLargestPlusOneAsPlainDigits) {
    EXPECT_EQ(CodeText(ProposeNewCode(copy.Db())), "0");
    WriteRecord(copy.Db(), catalogue, Controls(370000000099.0, 0), {std::nullopt, 0, "S"});
    EXPECT_EQ(CodeText(ProposeNewCode(copy.Db())), "370000000100");
    EXPECT_EQ(CodeText(2.5), "2.5");
}

TEST_F(EntryRecordTest, AppendThenEditKeepsOnePairAndConvertsByQueryType) {
    const double code = WriteRecord(copy.Db(), catalogue, Controls(100000000001.0, 7.6),
                                    {std::nullopt, 0, "STAMP"});
    EXPECT_EQ(code, 100000000001.0);
    EXPECT_TRUE(CodeIsStored(copy.Db(), code));

    // Editing under a changed code moves both rows.
    WriteRecord(copy.Db(), catalogue, Controls(100000000002.0, 3, "工会's"), {code, 2, "STAMP"});
    EXPECT_EQ(Count("SELECT count(*) FROM dt_data"), 1);
    EXPECT_EQ(Count("SELECT count(*) FROM dt_data1 WHERE c901=100000000002"), 1);

    const StoredRecord record = ReadRecord(copy.Db(), 100000000002.0);
    ASSERT_TRUE(record.found);
    EXPECT_EQ(AsText(record.data.at("c902")), "工会's");  // trimmed, quote bound safely
    EXPECT_EQ(AsNumber(record.data.at("recordstate")), 2);
    EXPECT_EQ(AsText(record.data.at("c900")), "STAMP");
    EXPECT_EQ(AsNumber(record.data.at("z001")), 3);
    EXPECT_EQ(AsNumber(record.data.at("z009")), 2);  // two-valued code: 3 stored as 2
    EXPECT_EQ(AsNumber(record.data1.at("y012")), 3);

    // Integers are rounded, decimals kept.
    WriteRecord(copy.Db(), catalogue, Controls(100000000003.0, 7.6), {std::nullopt, 0, "S"});
    const StoredRecord first = ReadRecord(copy.Db(), 100000000003.0);
    EXPECT_EQ(AsNumber(first.data.at("z001")), 8);
    EXPECT_DOUBLE_EQ(AsNumber(first.data.at("b018")), 7.6);
    EXPECT_EQ(AsNumber(first.data1.at("y001")), 8);  // the catalogue enters it as an integer

    // Values are found by catalogue row: the last rows come from dt_data1.
    const auto& rows = catalogue.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].fieldName == "y001") {
            EXPECT_EQ(AsNumber(first.ValueOf(catalogue, i)), 8);
        }
    }
}

TEST_F(EntryRecordTest, FailedWriteLeavesBothTablesAsTheyWere) {
    // A dt_data1 row without partner makes the second insert fail after the first succeeded.
    copy.Db().exec("INSERT INTO dt_data1 (c901) VALUES (100000000001)");
    EXPECT_ANY_THROW(
        WriteRecord(copy.Db(), catalogue, Controls(100000000001.0, 1), {std::nullopt, 1, "S"}));
    EXPECT_EQ(Count("SELECT count(*) FROM dt_data"), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM dt_data1"), 1);
}

TEST_F(EntryRecordTest, EditingRecreatesAMissingPartnerRow) {
    copy.Db().exec("INSERT INTO dt_data (c901, c902) VALUES (100000000001, 'a')");
    WriteRecord(copy.Db(), catalogue, Controls(100000000001.0, 1), {100000000001.0, 1, "S"});
    EXPECT_EQ(Count("SELECT count(*) FROM dt_data1 WHERE c901=100000000001 AND y003=1"), 1);
}

TEST_F(EntryRecordTest, CodeTablesAndRegions) {
    const CodeList levels = LoadCodeList(copy.Db(), "CT_LevelCode");
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front().code, 1);  // 0 is never offered
    EXPECT_EQ(CodeName(levels, 10), "乡镇、街道工会");
    EXPECT_EQ(CodeName(levels, 0), "");
    EXPECT_EQ(CodeName(LoadCodeList(copy.Db(), "CT_state"), 3), "已撤销");

    EXPECT_EQ(RegionName(copy.Db(), 110101), "北京市东城区");
    EXPECT_EQ(RegionName(copy.Db(), 11010), "");
    EXPECT_EQ(RegionName(copy.Db(), 119999), "");

    const RegionParts parts = SplitRegionCode(120101);
    EXPECT_EQ(parts.province, 12);
    EXPECT_EQ(parts.city, 1);
    EXPECT_EQ(parts.county, 1);
    const auto provinces = ReadProvinces(copy.Db());
    EXPECT_EQ(provinces.front().id, 110000);
    EXPECT_EQ(ReadCities(copy.Db(), 12).front().id, 120100);
    const auto counties = ReadCounties(copy.Db(), 12, 1);
    EXPECT_EQ(counties.front().id, 120100);  // the city's own row first
    EXPECT_EQ(counties[1].combName, "天津市和平区");
}

}  // namespace
