// Reading and writing the field catalogue the way the record list and the column chooser do.
#include "store/field_catalogue.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using tallwick::ChooserField;
using tallwick::FieldData;

class FieldCatalogueStoreTest : public ::testing::Test {
  protected:
    std::vector<std::int64_t> VisibleIds() {
        std::vector<std::int64_t> ids;
        SQLite::Statement query(db, "SELECT id FROM DT_FieldList WHERE Visible ORDER BY id");
        while (query.executeStep()) ids.push_back(query.getColumn(0).getInt64());
        return ids;
    }

    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(FieldCatalogueStoreTest, ListColumnsTakeEachCatalogueColumnIntoItsOwnField) {
    // Distinct values in every column, so a swapped pair cannot pass.
    db.exec(
        "UPDATE DT_FieldList SET ShowName='shown5', Hint='hint5', FieldWidth=33, "
        "FieldType='Text(9)', Visible=0, QueryShow=1, QueryType=2 WHERE id=5");
    db.exec("UPDATE DT_FieldList SET Visible=1, QueryShow=0, QueryType=3 WHERE id=9");

    const auto fields = tallwick::ReadListColumns(db);
    ASSERT_EQ(static_cast<int>(fields.size()),
              db.execAndGet("SELECT count(*) FROM DT_FieldList").getInt());
    EXPECT_TRUE(std::is_sorted(fields.begin(), fields.end(), [&](const auto& a, const auto& b) {
        return db.execAndGet("SELECT sequence FROM DT_FieldList WHERE id=" + std::to_string(a.id))
                   .getInt() <
               db.execAndGet("SELECT sequence FROM DT_FieldList WHERE id=" + std::to_string(b.id))
                   .getInt();
    }));

    const auto byId = [&](std::int64_t id) {
        return *std::find_if(fields.begin(), fields.end(),
                             [id](const FieldData& f) { return f.id == id; });
    };
    const FieldData changed = byId(5);
    EXPECT_EQ(changed.fieldName, "shown5");
    EXPECT_EQ(changed.title, "hint5");
    EXPECT_EQ(changed.width, 33);
    EXPECT_EQ(changed.typeText, "Text(9)");
    EXPECT_FALSE(changed.visible);
    EXPECT_TRUE(changed.selected);
    EXPECT_EQ(changed.queryType, 2);

    const FieldData other = byId(9);
    EXPECT_TRUE(other.visible);
    EXPECT_FALSE(other.selected);
    EXPECT_EQ(other.queryType, 3);

    EXPECT_EQ(fields.front().fieldName, "c901");
    EXPECT_EQ(fields.front().title, "本级工会统计编码");
}

TEST_F(FieldCatalogueStoreTest, ChooserTakesPagedRowsByPageThenSequence) {
    // A row moved to the end of page 0 by sequence, and one without a page.
    db.exec("UPDATE DT_FieldList SET PageID=0, sequence=5000 WHERE FieldName='z002'");
    db.exec("UPDATE DT_FieldList SET PageID=-1 WHERE FieldName='z003'");

    const auto fields = tallwick::ReadChooserFields(db);
    std::vector<std::string> names;
    for (const ChooserField& field : fields) names.push_back(field.fieldName);

    // The record state (no page either) shows with the cover, so it can always be shown again.
    EXPECT_EQ(std::count(names.begin(), names.end(), "z003"), 0);
    ASSERT_GE(names.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 10),
              (std::vector<std::string>{"c901", "c902", "c903", "c904", "c905", "c906", "c907",
                                        "RecordState", "z002", "z001"}));
    EXPECT_TRUE(std::is_sorted(fields.begin(), fields.end(),
                               [](const auto& a, const auto& b) { return a.pageId < b.pageId; }));
    EXPECT_EQ(fields.front().sheetName, "封面");
    EXPECT_EQ(fields.front().hint, "本级工会统计编码");
    EXPECT_EQ(fields.back().sheetName, "附表2 工会经费审查工作情况");
}

TEST_F(FieldCatalogueStoreTest, SavingShowsExactlyTheChosenFields) {
    const std::vector<std::vector<std::int64_t>> cases = {{1, 8, 250}, {}, {250, 2}};
    for (const auto& chosen : cases) {
        tallwick::SaveVisibleFields(db, chosen);
        auto expected = chosen;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(VisibleIds(), expected);
        const auto fields = tallwick::ReadChooserFields(db);
        EXPECT_EQ(std::count_if(fields.begin(), fields.end(),
                                [](const ChooserField& f) { return f.visible; }),
                  static_cast<long>(chosen.size()));
    }
}

TEST_F(FieldCatalogueStoreTest, FailedSaveLeavesTheCatalogueAsItWas) {
    const auto before = VisibleIds();
    db.exec(
        "CREATE TEMP TRIGGER refuse BEFORE UPDATE OF Visible ON DT_FieldList "
        "WHEN NEW.id = 9 AND NEW.Visible BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_THROW(tallwick::SaveVisibleFields(db, {1, 9}), SQLite::Exception);
    EXPECT_EQ(VisibleIds(), before);
}

}  // namespace
