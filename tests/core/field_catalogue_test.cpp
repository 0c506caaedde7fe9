// Invariants of the delivered field catalogue that the record list, the entry window, the
// exports and the column chooser rely on without checking them at run time.
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

Names FirstColumn(SQLite::Database& db, const std::string& sql) {
    SQLite::Statement query(db, sql);
    Names values;
    while (query.executeStep()) values.push_back(query.getColumn(0).getString());
    return values;
}

Names Family(char letter, int first, int last) {
    Names names;
    for (int number = first; number <= last; ++number) {
        char name[8];
        std::snprintf(name, sizeof name, "%c%03d", letter, number);
        names.push_back(name);
    }
    return names;
}

struct FamilyRange {
    char letter;
    int count;
};

// The survey families in form order; every survey reading walks them in this order.
constexpr FamilyRange kFamilies[] = {{'z', 18}, {'x', 18}, {'b', 46}, {'f', 20},
                                     {'l', 8},  {'j', 24}, {'s', 22}, {'w', 11},
                                     {'n', 4},  {'g', 4},  {'d', 55}, {'y', 12}};

Names SurveyFields() {
    Names names;
    for (const auto& family : kFamilies) {
        const auto members = Family(family.letter, 1, family.count);
        names.insert(names.end(), members.begin(), members.end());
    }
    return names;
}

Names Concat(Names head, const Names& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const Names kCover = {"c901", "c902", "c903", "c904", "c905", "c906", "c907"};

class FieldCatalogueTest : public ::testing::Test {
  protected:
    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(FieldCatalogueTest, OrderStartsWithCodeAndEndsWithTheSecondRecordTable) {
    const auto names = FirstColumn(db, "select FieldName from dt_fieldlist order by sequence");
    ASSERT_GE(names.size(), 14u);
    EXPECT_EQ(names.front(), "c901");
    // The entry window writes the last 13 rows to dt_data1 and everything before to dt_data;
    // RecordState has no control, so its place among the 13 costs nothing.
    const Names tail(names.end() - 13, names.end());
    EXPECT_EQ(tail, Concat(Family('y', 1, 12), {"RecordState"}));

    // Ties in sequence would make every ordered reading ambiguous.
    EXPECT_EQ(FirstColumn(db, "select count(distinct sequence) from dt_fieldlist"),
              Names{std::to_string(names.size())});
}

TEST_F(FieldCatalogueTest, IdsAreUniqueAndTheFirstSixAreTheLeadingCoverFields) {
    EXPECT_EQ(FirstColumn(db, "select count(*) - count(distinct id) from dt_fieldlist"),
              Names{"0"});
    // Rows with id up to 6 keep the limits of their own controls instead of the catalogue's.
    EXPECT_EQ(FirstColumn(db, "select FieldName from dt_fieldlist where id<=6 order by id"),
              Names(kCover.begin(), kCover.begin() + 6));
}

TEST_F(FieldCatalogueTest, EveryRecordColumnHasExactlyOneRow) {
    std::multiset<std::string> expected;
    for (const auto& table : {"dt_data", "dt_data1"}) {
        for (const auto& column :
             FirstColumn(db, std::string("select name from pragma_table_info('") + table + "')")) {
            // c900 is bookkeeping; dt_data1.c901 is the same field as dt_data.c901.
            if (column == "c900" || (column == "c901" && std::string(table) == "dt_data1")) {
                continue;
            }
            expected.insert(column);
        }
    }
    const auto names = FirstColumn(db, "select FieldName from dt_fieldlist");
    EXPECT_EQ(std::multiset<std::string>(names.begin(), names.end()), expected);
}

TEST_F(FieldCatalogueTest, ExportListIsCoverThenSurveyFields) {
    const auto names = FirstColumn(db,
                                   "select fieldName,QueryType from dt_fieldlist where sequence>0 "
                                   "and sequence<1000 order by sequence");
    EXPECT_EQ(names, Concat(kCover, SurveyFields()));
}

struct FamilySelection {
    char letter;
    const char* end;
    Names expected;
};

TEST_F(FieldCatalogueTest, FamilyLetterSelectsExactlyItsFamilyInOrder) {
    const char* kWhole = " and sequence>7 and sequence<1000 order by sequence";
    std::vector<FamilySelection> cases;
    for (const auto& family : kFamilies) {
        cases.push_back({family.letter, kWhole, Family(family.letter, 1, family.count)});
    }
    // Appendix table 1 is exported in two halves split by sequence.
    cases.push_back(
        {'d', " and sequence>7 and sequence<301 order by sequence", Family('d', 1, 31)});
    cases.push_back(
        {'d', " and sequence>300 and sequence<1000 order by sequence", Family('d', 32, 55)});

    for (const auto& selection : cases) {
        SCOPED_TRACE(std::string(1, selection.letter) + selection.end);
        const std::string sql = "select FieldName from dt_fieldlist where FieldName like'%" +
                                std::string(1, selection.letter) + "%'" + selection.end;
        EXPECT_EQ(FirstColumn(db, sql), selection.expected);
    }
}

TEST_F(FieldCatalogueTest, SurveyFieldsSitOnTheirPages) {
    struct PageRange {
        char letter;
        int first, last, page;
    };
    const PageRange kPages[] = {
        {'z', 1, 18, 1}, {'x', 1, 18, 2},  {'b', 1, 36, 3},   {'b', 37, 46, 4}, {'f', 1, 20, 5},
        {'l', 1, 8, 6},  {'j', 1, 24, 7},  {'s', 1, 22, 8},   {'w', 1, 11, 9},  {'n', 1, 4, 10},
        {'g', 1, 4, 10}, {'d', 1, 31, 11}, {'d', 32, 55, 12}, {'y', 1, 12, 13}};
    std::map<std::string, int> pageOf;
    SQLite::Statement query(db, "select FieldName, PageID from dt_fieldlist");
    while (query.executeStep())
        pageOf[query.getColumn(0).getString()] = query.getColumn(1).getInt();

    for (const auto& range : kPages) {
        for (const auto& name : Family(range.letter, range.first, range.last)) {
            EXPECT_EQ(pageOf[name], range.page) << name;
        }
    }
    for (const auto& name : kCover) EXPECT_EQ(pageOf[name], 0) << name;
}

TEST_F(FieldCatalogueTest, ColumnChooserPagesFormAnUnbrokenNamedRun) {
    Names expected;
    for (int page = 0; page <= 13; ++page) expected.push_back(std::to_string(page));
    EXPECT_EQ(FirstColumn(db,
                          "select distinct PageID from view_FieldList where PageID >=0 "
                          "order by PageID"),
              expected);
    EXPECT_EQ(FirstColumn(db,
                          "select FieldName from view_FieldList where PageID >=0 and "
                          "(SheetName is null or SheetName='')"),
              Names{});
}

TEST_F(FieldCatalogueTest, ColumnChooserWritesVisibilityThroughTheView) {
    db.exec("update view_fieldlist set visible=false");
    for (const char* id : {"1", "8", "250"}) {
        db.exec(std::string("update view_fieldlist set visible=true where id=") + id);
    }
    EXPECT_EQ(FirstColumn(db, "select id from DT_FieldList where Visible order by id"),
              (Names{"1", "8", "250"}));
}

TEST_F(FieldCatalogueTest, LevelRulesAreWellFormedAndOnlyOnSurveyFields) {
    std::set<int> levels;
    SQLite::Statement codes(db, "select ID from CT_LevelCode where ID<>0");
    while (codes.executeStep()) levels.insert(codes.getColumn(0).getInt());

    const std::regex membership(R"(^\s*in\s*\[\s*(\d+([\s,]+\d+)*)\s*\]\s*$)");
    const std::regex comparison(R"(^\s*(<=|>=|<>|<|=|>)\s*(\d+)\s*$)");
    const std::regex number(R"(\d+)");
    SQLite::Statement query(db,
                            "select FieldName, Rule, PageID from dt_fieldlist "
                            "where Rule is not null and Rule<>''");
    int ruled = 0;
    while (query.executeStep()) {
        ++ruled;
        const std::string name = query.getColumn(0).getString();
        const std::string rule = query.getColumn(1).getString();
        SCOPED_TRACE(name + " " + rule);
        // A rule on a cover field would disable and clear the very codes the rules test.
        EXPECT_GT(query.getColumn(2).getInt(), 0);

        std::smatch match;
        std::vector<int> numbers;
        if (rule.find("in") != std::string::npos) {
            ASSERT_TRUE(std::regex_match(rule, match, membership));
            const std::string list = match[1];
            for (std::sregex_iterator it(list.begin(), list.end(), number), end; it != end; ++it) {
                numbers.push_back(std::stoi(it->str()));
            }
        } else {
            ASSERT_TRUE(std::regex_match(rule, match, comparison));
            numbers.push_back(std::stoi(match[2].str()));
        }
        // Out-of-range items are silently dropped by the entry window, so catch typos here.
        for (int level : numbers) EXPECT_TRUE(levels.count(level)) << level;
    }
    EXPECT_GT(ruled, 0);
}

TEST_F(FieldCatalogueTest, QueryTypesMatchTheKindOfAnswer) {
    std::map<int, std::set<std::string>> byType;
    SQLite::Statement query(db, "select FieldName, QueryType from dt_fieldlist");
    while (query.executeStep()) {
        byType[query.getColumn(1).getInt()].insert(query.getColumn(0).getString());
    }
    for (const auto& [type, names] : byType) {
        EXPECT_TRUE(type >= 0 && type <= 3) << type << " on " << *names.begin();
    }
    EXPECT_EQ(byType[2], (std::set<std::string>{"b018", "j024"}));

    // The questions answered 1=yes, 2=no; the three- and four-option codes are not among them.
    std::set<std::string> yesNo = {"z009", "z015", "b030", "b034", "b043", "f003", "f007",
                                   "f008", "f017", "l001", "j020", "j021", "d036"};
    for (const auto& names : {Family('x', 4, 7), Family('s', 1, 8), Family('s', 19, 21)}) {
        yesNo.insert(names.begin(), names.end());
    }
    EXPECT_EQ(byType[3], yesNo);

    // Text values must land in text columns, and every shown text column must be text-typed.
    const auto textColumns = FirstColumn(db,
                                         "select name from pragma_table_info('dt_data') where "
                                         "type='TEXT' and name<>'c900'");
    EXPECT_EQ(byType[1], std::set<std::string>(textColumns.begin(), textColumns.end()));
}

TEST_F(FieldCatalogueTest, HintsReadAloneInListsAndMessages) {
    SQLite::Statement query(db, "select FieldName, Hint from dt_fieldlist");
    std::map<std::string, std::string> owner;
    while (query.executeStep()) {
        const std::string name = query.getColumn(0).getString();
        const std::string hint = query.getColumn(1).getString();
        SCOPED_TRACE(name);
        EXPECT_FALSE(hint.empty());
        // Logic messages wrap the hint in [ ]; brackets inside it would break the message.
        EXPECT_EQ(hint.find_first_of("[]\t"), std::string::npos) << hint;
        const auto [it, inserted] = owner.emplace(hint, name);
        EXPECT_TRUE(inserted) << hint << " also names " << it->second;
    }
}

}  // namespace
