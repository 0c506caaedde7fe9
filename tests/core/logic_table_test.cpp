// The delivered rule table, evaluated by SQLite against stored records: the same engine and the
// same expressions the entry window uses, with the record's values in place of the controls'.
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRuleCount = 139;
constexpr std::int64_t kRecordCode = 4401000001;

struct FieldValue {
    std::string name;
    double value;
};
using Values = std::vector<FieldValue>;

struct RuleCase {
    int rule;
    Values values;
    bool fails;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsWhole(double value) {
    return std::floor(value) == value && std::fabs(value) < 1e15;
}

std::string Describe(const Values& values) {
    std::ostringstream out;
    for (const auto& [name, value] : values) {
        out << ' ' << name << '=';
        if (IsWhole(value)) {
            out << static_cast<std::int64_t>(value);
        } else {
            out << value;
        }
    }
    return values.empty() ? " (all fields 0)" : out.str();
}

// Splits where the entry window's control substitution splits, so every word found here is one
// the window will try to replace by a control value.
std::vector<std::string> Words(const std::string& expression) {
    static const std::string kDelimiters = " ()*+-/<=>";
    std::vector<std::string> words;
    std::string word;
    for (char c : expression) {
        if (kDelimiters.find(c) != std::string::npos) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

class LogicTable : public ::testing::Test {
  protected:
    void SetUp() override {
        SQLite::Statement rows(copy.Db(), "SELECT id, expression FROM dt_logic");
        while (rows.executeStep()) {
            expressions_[rows.getColumn(0).getInt()] = rows.getColumn(1).getString();
        }
        for (const char* table : {"dt_data", "dt_data1"}) {
            SQLite::Statement info(copy.Db(), std::string("PRAGMA table_info(") + table + ")");
            while (info.executeStep()) columns_[Lower(info.getColumn(1).getString())] = table;
        }
    }

    bool IsRecordField(const std::string& name) const { return columns_.count(Lower(name)) != 0; }

    // Replaces the test record by one holding `values`; every other survey field keeps its
    // default of 0, and c904 (which has no default) is 0 unless given.
    void StoreRecord(const Values& values) {
        auto& db = copy.Db();
        db.exec("DELETE FROM dt_data; DELETE FROM dt_data1");
        std::map<std::string, std::map<std::string, double>> rows{{"dt_data", {{"c904", 0}}},
                                                                  {"dt_data1", {}}};
        for (const auto& [name, value] : values) {
            const auto column = columns_.find(Lower(name));
            if (column == columns_.end() || column->first == "c901") {
                throw std::invalid_argument("not a survey field: " + name);
            }
            rows[column->second][column->first] = value;
        }
        for (const auto& [table, fields] : rows) {
            std::string names = "c901";
            std::string marks = "?";
            for (const auto& field : fields) {
                names += ", " + field.first;
                marks += ", ?";
            }
            SQLite::Statement insert(
                db, "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")");
            insert.bind(1, kRecordCode);
            int index = 2;
            for (const auto& field : fields) {
                if (IsWhole(field.second)) {
                    insert.bind(index++, static_cast<std::int64_t>(field.second));
                } else {
                    insert.bind(index++, field.second);
                }
            }
            insert.exec();
        }
    }

    bool Fails(int rule) {
        SQLite::Statement query(copy.Db(), "SELECT (" + expressions_.at(rule) +
                                               ") FROM dt_data JOIN dt_data1 USING (c901) "
                                               "WHERE c901 = ?");
        query.bind(1, kRecordCode);
        if (!query.executeStep()) throw std::runtime_error("test record not found");
        const auto result = query.getColumn(0);
        EXPECT_FALSE(result.isNull()) << "rule " << rule << " evaluates to NULL";
        const auto value = result.getInt64();
        EXPECT_TRUE(value == 0 || value == 1) << "rule " << rule << " evaluates to " << value;
        return value != 0;
    }

    std::vector<int> FailingRules() {
        std::vector<int> failing;
        for (const auto& entry : expressions_) {
            if (Fails(entry.first)) failing.push_back(entry.first);
        }
        return failing;
    }

    tallwick::test::DeliveredDatabaseCopy copy{tallwick::test::WithoutLimitGuards{}};  // any values
    std::map<int, std::string> expressions_;
    std::map<std::string, std::string> columns_;  // lower-case name -> record table
};

TEST_F(LogicTable, HoldsEveryRuleOnItsPage) {
    struct Group {
        int first;
        int last;
        int page;
    };
    const Group groups[] = {{1, 10, 1},    {11, 23, 2},   {24, 46, 3},    {47, 53, 4},
                            {54, 64, 5},   {65, 70, 6},   {71, 82, 7},    {83, 91, 8},
                            {92, 98, 9},   {99, 103, 10}, {104, 118, 11}, {119, 135, 12},
                            {136, 139, 13}};
    std::vector<std::pair<int, int>> expected;
    for (const auto& group : groups) {
        for (int id = group.first; id <= group.last; ++id) expected.emplace_back(id, group.page);
    }
    ASSERT_EQ(expected.size(), static_cast<size_t>(kRuleCount));

    std::vector<std::pair<int, int>> actual;
    SQLite::Statement rows(copy.Db(), "SELECT id, page_id FROM dt_logic ORDER BY id");
    while (rows.executeStep()) {
        actual.emplace_back(rows.getColumn(0).getInt(), rows.getColumn(1).getInt());
    }
    EXPECT_EQ(actual, expected);
}

// On screen every word is replaced by a control value, words being split only at the operators,
// parentheses and spaces; functions, IN, IS, quotes or "!=" would not survive that replacement.
TEST_F(LogicTable, ExpressionsNameOnlyRecordFieldsInTheEvaluatorsSyntax) {
    static const std::string kAllowed = "abcdefghijklmnopqrstuvwxyz0123456789 ()=<>+-*/";
    SQLite::Statement rows(copy.Db(), "SELECT id, expression, rule, explain, focus FROM dt_logic");
    while (rows.executeStep()) {
        const int id = rows.getColumn(0).getInt();
        const std::string expression = rows.getColumn(1).getString();
        const std::string focus = rows.getColumn(4).getString();
        SCOPED_TRACE("rule " + std::to_string(id) + ": " + expression);

        EXPECT_FALSE(rows.getColumn(2).getString().empty());
        EXPECT_FALSE(rows.getColumn(3).getString().empty());
        EXPECT_TRUE(IsRecordField(focus)) << "focus " << focus;
        EXPECT_EQ(expression.find_first_not_of(kAllowed), std::string::npos);
        EXPECT_EQ(expression.find("  "), std::string::npos);
        EXPECT_FALSE(expression.empty() || expression.front() == ' ' || expression.back() == ' ');
        for (const auto& word : Words(expression)) {
            if (std::isdigit(static_cast<unsigned char>(word[0]))) {
                EXPECT_EQ(word.find_first_not_of("0123456789"), std::string::npos) << word;
            } else if (word != "and" && word != "or" && word != "not") {
                EXPECT_TRUE(IsRecordField(word) && Lower(word) != "c901") << word;
            }
        }
    }
}

// Rules that bound one sum of fields by another: fails when left > right, or, for an equal
// rule, when left <> right; `given` holds what makes the rule apply.
struct SumRule {
    int rule;
    bool equal;
    std::vector<std::string> left;
    std::vector<std::string> right;
    Values given;
};

const std::vector<SumRule>& SumRules() {
    static const std::vector<SumRule> rules = {
        {1, false, {"z002"}, {"z001"}, {}},
        {2, true, {"z003", "z004", "z005", "z006"}, {"z001"}, {}},
        {4, false, {"z008"}, {"z007"}, {}},
        {5, false, {"z011"}, {"z001"}, {}},
        {14, false, {"x010"}, {"x009"}, {}},
        {15, false, {"x008"}, {"x003"}, {}},
        {16, false, {"x009"}, {"x003"}, {}},
        {17, false, {"x018"}, {"x017"}, {}},
        {19, false, {"x002"}, {"x001"}, {}},
        {20, false, {"x011"}, {"x003"}, {}},
        {21, false, {"x012"}, {"x011"}, {}},
        {22, false, {"x002"}, {"z002", "z008"}, {}},
        {23, false, {"x001"}, {"z001", "z007"}, {}},
        {26, false, {"b005"}, {"b004"}, {}},
        {27, false, {"b006"}, {"b004"}, {}},
        {28, false, {"b007"}, {"b006"}, {}},
        {32, false, {"b010"}, {"b009"}, {}},
        {33, false, {"b011"}, {"b009"}, {}},
        {34, false, {"b012"}, {"b011"}, {}},
        {37, false, {"b032"}, {"b031"}, {}},
        {42, false, {"b024"}, {"b017", "b022"}, {}},
        {43, false, {"b025"}, {"b019", "b023"}, {}},
        {44, false, {"b013"}, {"b027"}, {}},
        {46, false, {"b013"}, {"b011"}, {}},
        {55, false, {"f011", "f012"}, {"f010"}, {}},
        {59, false, {"f005"}, {"f004"}, {}},
        {60, false, {"f016"}, {"f015"}, {}},
        {61, false, {"f015"}, {"z001", "z007"}, {}},
        {62, false, {"f014"}, {"z001", "z007"}, {}},
        {64, false, {"f006"}, {"z001", "z007"}, {}},
        {68, false, {"l007"}, {"l006"}, {}},
        {69, false, {"l005"}, {"l004"}, {}},
        {71, false, {"j014"}, {"j012"}, {}},
        {73, false, {"j013"}, {"j011"}, {}},
        {74, false, {"j014"}, {"j013"}, {}},
        {75, false, {"j019"}, {"j018"}, {}},
        {76, false, {"j017"}, {"j016"}, {}},
        {77, false, {"j019"}, {"j017"}, {}},
        {78, false, {"j023"}, {"j022"}, {}},
        {81, false, {"j012"}, {"j011"}, {}},
        {86, false, {"s009"}, {"z001"}, {}},
        {89, false, {"s010"}, {"s009"}, {}},
        {90, false, {"s012"}, {"s011"}, {}},
        {92, false, {"w008"}, {"w006"}, {}},
        {93, false, {"w009"}, {"w006"}, {}},
        {94, false, {"w010"}, {"w006"}, {}},
        {95, false, {"w011"}, {"w006"}, {}},
        {98, false, {"w007"}, {"w006"}, {}},
        {99, false, {"n001", "n002"}, {"z001", "z007"}, {}},
        {104, false, {"d003"}, {"d001"}, {}},
        {105, false, {"d009"}, {"d008"}, {}},
        {106, false, {"d011"}, {"d010"}, {}},
        {107, false, {"d007", "d008", "d010"}, {"d005", "d006"}, {}},
        {108, false, {"d012"}, {"d005", "d006"}, {}},
        {109, false, {"d012"}, {"z001", "z007"}, {}},
        {110, false, {"d013"}, {"d012"}, {}},
        {111, false, {"x001", "d009", "d011"}, {"d012"}, {{"c904", 3}}},
        {112, false, {"d013"}, {"z002", "z008"}, {}},
        {113, true, {"d014", "d015", "d016", "d017", "d018", "d019"}, {"d012"}, {}},
        {114, false, {"d020", "d021", "d022"}, {"d012", "d029"}, {}},
        {115, true, {"d024", "d025", "d026", "d027", "d028"}, {"d012"}, {}},
        {116, false, {"d030", "d031"}, {"d029"}, {}},
        {120, false, {"d033", "d034", "d035", "d038"}, {"x001"}, {}},
        {121, false, {"d039"}, {"d014"}, {}},
        {122, false, {"d040"}, {"d015"}, {}},
        {123, false, {"d041"}, {"d016", "d034", "d035"}, {}},
        {124, false, {"d042"}, {"d017", "d034", "d035"}, {}},
        {125, false, {"d043"}, {"d018", "d034", "d035"}, {}},
        {126, false, {"d044"}, {"d019", "d034", "d035"}, {}},
        {127, true, {"d039", "d040", "d041", "d042", "d043", "d044"}, {"x001"}, {{"c904", 3}}},
        {128, true, {"d046", "d047", "d048", "d049"}, {"x001"}, {{"c904", 3}}},
        {129, true, {"d050", "d051", "d052"}, {"x001"}, {{"c904", 3}}},
        {130, false, {"d054"}, {"x001", "d053"}, {}},
        {131, false, {"d053"}, {"d029"}, {}},
        {132, false, {"d054"}, {"d020", "d021", "d022"}, {}},
        {135, false, {"d033", "d034", "d035"}, {"x003"}, {}},
        {136, false, {"y005"}, {"y004"}, {}},
        {137, false, {"y007"}, {"y006"}, {}},
    };
    return rules;
}

// Every field of either side is shown to count, and the bound itself is shown to be allowed.
std::vector<RuleCase> ExpandSumRules() {
    std::vector<RuleCase> cases;
    for (const auto& sum : SumRules()) {
        const auto with = [&](Values extra) {
            Values values = sum.given;
            values.insert(values.end(), extra.begin(), extra.end());
            return values;
        };
        for (const auto& field : sum.left) {
            cases.push_back({sum.rule, with({{field, 1}}), true});
            if (sum.equal)
                cases.push_back({sum.rule, with({{field, 1}, {sum.right[0], 1}}), false});
        }
        for (const auto& field : sum.right) {
            cases.push_back({sum.rule, with({{sum.left[0], 1}, {field, 1}}), false});
            if (sum.equal) cases.push_back({sum.rule, with({{field, 1}}), true});
        }
    }
    return cases;
}

// The remaining rules, case by case; boundaries sit on both sides wherever a rule has one.
const std::vector<RuleCase>& ConditionCases() {
    static const std::vector<RuleCase> cases = {
        {3, {}, true},
        {3, {{"z007", 1}}, false},
        {3, {{"z001", 1}}, false},
        {6, {{"z009", 1}}, true},
        {7, {{"z009", 1}}, false},
        {6, {{"z009", 1}, {"z011", 1}, {"z001", 1}}, false},
        {6, {{"z009", 1}, {"z011", 1}, {"z012", 1}, {"z001", 1}}, true},
        {6, {{"z009", 1}, {"z012", 2}, {"z001", 1}, {"z007", 1}}, false},
        {6, {{"z009", 0}, {"z011", 1}}, false},
        {7, {{"z009", 0}, {"z011", 1}}, true},
        {7, {{"z009", 2}, {"z012", 1}}, true},
        {7, {{"z009", 1}, {"z011", 1}, {"z001", 1}}, false},
        {7, {}, false},
        {8, {}, false},
        {8, {{"z013", 1}}, true},
        {8, {{"z009", 1}, {"z013", 1}, {"z014", 2}}, false},
        {8, {{"z009", 1}, {"z013", 2}, {"z014", 2}}, true},
        {8, {{"z009", 1}, {"z013", 0}, {"z014", 2}}, true},
        {8, {{"z009", 0}, {"z013", 1}, {"z014", 2}}, true},
        {9, {{"z009", 1}, {"z010", 3}}, false},
        {9, {{"z009", 1}, {"z010", 4}}, true},
        {9, {{"z009", 0}, {"z010", 1}}, true},
        {9, {}, false},
        {10, {}, false},
        {10, {{"z016", 1}}, true},
        {10, {{"z017", 1}}, true},
        {10, {{"z018", 1}}, true},
        {10, {{"z016", 1000}, {"z017", 2000}, {"z018", 3000}}, false},
        // Products past 64 bits: a wrapped product would turn negative in the first case.
        {10, {{"z016", 2000000}, {"z017", 2100000}, {"z018", 2200000}}, false},
        {10, {{"z016", 99999997}, {"z017", 99999998}, {"z018", 99999999}}, false},
        {10, {{"z016", -99999999}, {"z017", 99999998}, {"z018", 99999999}}, true},
        {10, {{"z016", 0}, {"z017", 2000}, {"z018", 3000}}, true},
        {10, {{"z016", 1000}, {"z017", 1000}, {"z018", 3000}}, true},
        {10, {{"z016", 1000}, {"z017", 2000}, {"z018", 2000}}, true},
        {11, {{"c904", 0}}, true},
        {11, {{"c904", 3}}, true},
        {11, {{"c904", 3}, {"x001", 1}}, false},
        {11, {{"c904", 4}}, false},
        {12, {{"x003", 1}}, true},
        {12, {}, false},
        {12, {{"x001", 1}, {"x003", 1}}, false},
        {13, {{"x001", 2}}, true},
        {13, {{"x001", 1}}, true},
        {13, {{"x001", 2}, {"x003", 1}}, false},
        {13, {{"x001", 2}, {"x003", 2}}, false},
        {13, {{"x001", 2}, {"x003", 3}}, true},
        {13, {{"x003", 1}}, false},
        {18, {}, false},
        {18, {{"x007", 1}}, false},
        {18, {{"x004", 1}}, false},
        {18, {{"x005", 1}}, false},
        {18, {{"x006", 1}}, false},
        {18, {{"x004", 1}, {"x005", 2}}, false},
        {18, {{"x004", 1}, {"x005", 1}}, true},
        {18, {{"x004", 1}, {"x006", 1}}, true},
        {18, {{"x004", 1}, {"x007", 1}}, true},
        {18, {{"x005", 1}, {"x006", 1}}, true},
        {18, {{"x005", 1}, {"x007", 1}}, true},
        {18, {{"x006", 1}, {"x007", 1}}, true},
        {24, {{"b009", 1}}, true},
        {24, {{"b008", 1}, {"b009", 1}}, false},
        {24, {}, false},
        {25, {{"b002", 1}}, true},
        {25, {{"b001", 1}}, true},
        {25, {{"b001", 1}, {"b002", 1}}, false},
        {25, {}, false},
        {29, {{"b004", 1}}, true},
        {29, {{"b003", 1}, {"b004", 1}}, false},
        {30, {{"b029", 1}}, true},
        {30, {{"b028", 1}}, true},
        {30, {{"b028", 1}, {"b029", 1}}, false},
        {30, {}, false},
        {31, {{"b030", 1}}, true},
        {31, {{"b030", 1}, {"b031", 1}}, false},
        {31, {{"b030", 2}}, false},
        {35, {{"b015", 1}}, true},
        {35, {{"b014", 1}, {"b015", 1}}, false},
        {36, {{"b031", 1}}, true},
        {36, {{"b030", 2}, {"b031", 1}}, true},
        {36, {{"b030", 1}, {"b031", 1}}, false},
        {36, {}, false},
        // Amounts compare unrounded.
        {38, {{"b017", 5}, {"b018", 5.5}}, false},
        {38, {{"b017", 5}, {"b018", 5}}, true},
        {38, {{"b017", 5}}, true},
        {38, {{"b017", 1}, {"b018", 1}}, true},
        {38, {{"b018", 0.1}}, true},
        {38, {}, false},
        {39, {{"b019", 5}, {"b020", 5.5}}, false},
        {39, {{"b019", 5}, {"b020", 5}}, true},
        {39, {{"b019", 1}, {"b020", 1}}, true},
        {39, {{"b020", 0.1}}, true},
        {39, {}, false},
        {40, {{"b022", 1}}, true},
        {40, {{"b023", 1}}, true},
        {40, {{"b021", 1}, {"b022", 1}, {"b023", 1}}, false},
        {40, {}, false},
        {41, {{"b021", 2}, {"b022", 1}, {"b023", 1}}, true},
        {41, {{"b021", 2}, {"b022", 1}, {"b023", 2}}, false},
        {41, {{"b021", 2}}, true},
        {41, {{"b021", 1}, {"b022", 1}}, true},
        {41, {{"b022", 1}}, false},
        {45, {{"b032", 5}, {"b033", 5.5}}, false},
        {45, {{"b032", 5}, {"b033", 5}}, true},
        {45, {{"b032", 1}, {"b033", 1}}, true},
        {45, {{"b033", 0.1}}, true},
        {45, {}, false},
        {47, {}, false},
        {47, {{"b043", 1}, {"b044", 1}, {"b045", 1}}, false},
        {47, {{"b043", 1}, {"b044", 1}, {"b045", 1}, {"b046", 2}}, false},
        {47, {{"b043", 1}, {"b044", 1}}, true},
        {47, {{"b043", 1}, {"b045", 1}}, true},
        {47, {{"b043", 2}}, false},
        {47, {{"b044", 1}}, true},
        {47, {{"b045", 1}}, true},
        {47, {{"b046", 1}}, true},
        {48, {{"b044", 4}}, false},
        {48, {{"b044", 5}}, true},
        {49, {{"b045", 4}}, false},
        {49, {{"b045", 5}}, true},
        {50, {}, false},
        {50, {{"b037", 3}, {"b038", 2}, {"b039", 1}}, false},
        {50, {{"b037", 1}, {"b038", 2}}, true},
        {50, {{"b038", 1}}, true},
        {50, {{"b037", 1}}, true},
        {50, {{"b039", 1}}, true},
        {51, {}, false},
        {51, {{"b040", 3}, {"b041", 2}, {"b042", 1}}, false},
        {51, {{"b040", 1}, {"b041", 2}}, true},
        {51, {{"b041", 1}}, true},
        {51, {{"b040", 1}}, true},
        {51, {{"b042", 1}}, true},
        {52, {{"b037", 1}, {"b038", 2}, {"b039", 3}}, false},
        {52, {{"b037", 2}, {"b038", 2}, {"b039", 3}}, true},
        {52, {{"b037", 1}, {"b038", 2}, {"b039", 2}}, true},
        {52, {{"b037", 2}, {"b038", 1}}, false},
        {52, {{"b037", 1}, {"b038", 1}, {"b039", 1}}, true},
        {53, {{"b040", 1}, {"b041", 2}, {"b042", 3}}, false},
        {53, {{"b040", 2}, {"b041", 2}, {"b042", 3}}, true},
        {53, {{"b040", 1}, {"b041", 2}, {"b042", 2}}, true},
        {53, {{"b040", 2}, {"b041", 1}}, false},
        {53, {{"b040", 1}, {"b041", 1}, {"b042", 1}}, true},
        {54, {{"f004", 1}}, true},
        {54, {{"f003", 2}, {"f004", 1}}, true},
        {54, {{"f003", 1}, {"f004", 1}}, false},
        {54, {}, false},
        {56, {{"f008", 1}}, true},
        {56, {{"f008", 1}, {"f009", 1}}, false},
        {57, {{"f009", 1}}, true},
        {57, {{"f010", 1}}, true},
        {57, {{"f008", 1}, {"f009", 1}, {"f010", 1}}, false},
        {57, {}, false},
        {58, {{"f019", 1}}, true},
        {58, {{"f017", 1}, {"f019", 1}}, false},
        {63, {{"f020", 1}}, true},
        {63, {{"f019", 2}, {"f020", 1}}, true},
        {63, {{"f019", 1}}, true},
        {63, {{"f019", 2}, {"f020", 2}}, false},
        {63, {}, false},
        {65, {{"l002", 1}}, true},
        {65, {{"l001", 1}, {"l002", 1}}, false},
        {65, {}, false},
        {66, {{"l003", 1}}, true},
        {66, {{"l001", 1}, {"l003", 1}}, false},
        {67, {{"l006", 1}}, true},
        {67, {{"l004", 1}, {"l006", 1}}, false},
        {70, {{"l001", 1}}, true},
        {70, {{"l001", 1}, {"l002", 1}}, false},
        {70, {}, false},
        {72, {{"j023", 5}, {"j024", 5.5}}, false},
        {72, {{"j023", 5}, {"j024", 5}}, true},
        {72, {{"j023", 1}, {"j024", 1}}, true},
        {72, {{"j024", 0.1}}, true},
        {72, {}, false},
        {79, {}, false},
        {79, {{"j016", 1}}, true},
        {79, {{"j018", 1}}, true},
        {79, {{"j015", 1}, {"j016", 2}}, false},
        {79, {{"j015", 1}, {"j016", 2}, {"j018", 2}}, false},
        {79, {{"j015", 1}, {"j016", 2}, {"j018", 3}}, true},
        {79, {{"j015", 2}, {"j016", 2}}, true},
        {80, {{"j021", 1}}, true},
        {80, {{"j020", 1}, {"j021", 1}}, false},
        {80, {{"j021", 2}}, false},
        {82, {{"j022", 1}}, true},
        {82, {{"j021", 2}, {"j022", 1}}, true},
        {82, {{"j021", 1}, {"j022", 1}}, false},
        {83, {{"s013", 2}, {"s014", 2}}, true},
        {83, {{"s013", 2}, {"s014", 3}}, false},
        {83, {{"s014", 3}}, false},
        {83, {{"s013", 2}}, false},
        {83, {{"s013", 1}, {"s014", 1}}, true},
        {84, {}, false},
        {84, {{"s015", 1}}, true},
        {84, {{"s016", 1}}, true},
        {84, {{"s017", 1}}, true},
        {84, {{"s018", 1}}, true},
        {84, {{"s022", 1}}, true},
        {84, {{"s019", 1}}, true},
        {84, {{"s020", 1}}, true},
        {84, {{"s021", 1}}, true},
        {84, {{"s019", 2}}, false},
        {84, {{"s005", 1}, {"s015", 1}, {"s019", 1}}, false},
        {85, {{"s006", 1}}, true},
        {85, {{"s007", 1}}, true},
        {85, {{"s008", 1}}, true},
        {85, {{"s006", 2}}, false},
        {85, {{"s005", 1}, {"s006", 1}, {"s007", 1}, {"s008", 1}}, false},
        {87, {{"s008", 1}}, true},
        {87, {{"s008", 1}, {"z001", 5}}, true},
        {87, {{"s008", 1}, {"s009", 1}, {"z001", 2}}, false},
        {87, {{"s008", 1}, {"s009", 1}, {"z001", 1}}, true},
        {87, {{"s008", 1}, {"s011", 1}, {"z007", 2}}, false},
        {87, {{"s008", 1}, {"s011", 2}, {"z001", 1}, {"z007", 1}}, true},
        {88, {{"s009", 1}}, true},
        {88, {{"s011", 1}}, true},
        {88, {{"s008", 1}, {"s009", 1}}, false},
        {88, {}, false},
        {91, {{"s013", 1}}, true},
        {91, {{"s014", 1}}, true},
        {91, {{"s013", 1}, {"s014", 2}}, false},
        {91, {}, false},
        {96, {{"w005", 1}}, true},
        {96, {{"w004", 1}, {"w005", 2}}, false},
        {97, {{"w004", 2}, {"w005", 2}}, true},
        {97, {{"w004", 2}, {"w005", 3}}, false},
        {97, {{"w005", 1}}, false},
        {97, {{"w004", 1}, {"w005", 1}}, true},
        {100, {{"g002", 1}}, true},
        {100, {{"g001", 1}, {"g002", 2}}, false},
        {101, {{"g001", 2}, {"g002", 2}}, true},
        {101, {{"g001", 2}, {"g002", 3}}, false},
        {101, {{"g002", 1}}, false},
        {101, {{"g001", 1}, {"g002", 1}}, true},
        {102, {{"g004", 1}}, true},
        {102, {{"g003", 1}, {"g004", 2}}, false},
        {103, {{"g003", 2}, {"g004", 2}}, true},
        {103, {{"g003", 2}, {"g004", 3}}, false},
        {103, {{"g004", 1}}, false},
        {103, {{"g003", 1}, {"g004", 1}}, true},
        {111, {{"c904", 4}, {"x001", 1}}, false},
        {117, {{"d023", 65}}, false},
        {117, {{"d023", 66}}, true},
        {117, {{"c904", 4}, {"d023", 0}}, false},
        {118, {{"c904", 3}, {"d023", 19}}, true},
        {118, {{"c904", 3}, {"d023", 20}}, false},
        {118, {{"c904", 4}, {"d023", 0}}, false},
        {118, {{"c904", 4}, {"d023", 65}}, false},
        {119, {{"c904", 3}}, true},
        {119, {{"c904", 3}, {"d007", 1}}, false},
        {119, {{"c904", 3}, {"d007", 1}, {"d032", 1}}, true},
        {119, {{"c904", 3}, {"d007", 1}, {"d037", 1}}, true},
        {119, {{"c904", 3}, {"d007", 2}, {"d037", 1}}, false},
        {119, {{"c904", 4}}, false},
        {127, {{"c904", 4}, {"x001", 1}}, false},
        {128, {{"c904", 4}, {"x001", 1}}, false},
        {129, {{"c904", 4}, {"x001", 1}}, false},
        {133, {{"d045", 65}}, false},
        {133, {{"d045", 66}}, true},
        {134, {{"c904", 3}, {"d045", 19}}, true},
        {134, {{"c904", 3}, {"d045", 20}}, false},
        {134, {{"c904", 4}}, false},
        {136, {{"y004", 2}, {"y005", 2.5}}, true},
        {136, {{"y004", 2.5}, {"y005", 2.5}}, false},
        {137, {{"y006", 2}, {"y007", 2.5}}, true},
        {138, {}, false},
        {138, {{"y003", 1}, {"y004", 0.5}}, false},
        {138, {{"y004", 0.5}}, true},
        {138, {{"y003", 1}}, true},
        {139, {}, false},
        {139, {{"y008", 1}, {"y009", 1}, {"y010", 0.5}}, false},
        {139, {{"y008", 1}, {"y009", 1}, {"y010", 0.5}, {"y012", 1}}, false},
        {139, {{"y008", 1}, {"y009", 1}, {"y010", 0.5}, {"y012", 2}}, true},
        {139, {{"y011", 1}}, true},
        {139, {{"y008", 1}}, true},
        {139, {{"y009", 1}}, true},
        {139, {{"y010", 0.5}}, true},
        {139, {{"y008", 1}, {"y009", 1}}, true},
        {139, {{"y009", 1}, {"y010", 0.5}}, true},
        {139, {{"y008", 1}, {"y010", 0.5}}, true},
    };
    return cases;
}

TEST_F(LogicTable, EachRuleFailsExactlyWhenItsConditionHolds) {
    auto cases = ExpandSumRules();
    const auto& conditions = ConditionCases();
    cases.insert(cases.end(), conditions.begin(), conditions.end());

    SQLite::Transaction scratch(copy.Db());
    std::map<int, std::pair<bool, bool>> seen;  // rule -> (has a failing case, has a passing one)
    for (const auto& c : cases) {
        StoreRecord(c.values);
        EXPECT_EQ(Fails(c.rule), c.fails) << "rule " << c.rule << " (" << expressions_.at(c.rule)
                                          << ") with" << Describe(c.values);
        (c.fails ? seen[c.rule].first : seen[c.rule].second) = true;
    }

    // A rule without both outcomes here is one whose expression nobody has checked.
    for (int rule = 1; rule <= kRuleCount; ++rule) {
        EXPECT_TRUE(seen[rule].first && seen[rule].second) << "rule " << rule;
    }
}

TEST_F(LogicTable, WholeRecordsFailExactlyTheirRules) {
    const Values consistent = {{"c904", 1}, {"z001", 10}, {"z003", 10}, {"x001", 5}, {"x003", 5},
                               {"d005", 5}, {"d007", 1},  {"d012", 5},  {"d014", 5}, {"d023", 30},
                               {"d024", 5}, {"d039", 5},  {"d045", 30}, {"d046", 5}, {"d050", 5}};
    Values faulty = consistent;
    faulty.insert(faulty.end(), {{"z002", 11}, {"b044", 5}, {"y005", 1.5}});

    const struct {
        const char* name;
        Values values;
        std::vector<int> failing;
    } records[] = {
        {"empty, level 0", {{"c904", 0}}, {3, 11, 118, 119, 134}},
        {"empty, level 4", {{"c904", 4}}, {3}},
        {"consistent", consistent, {}},
        {"faults on three pages", faulty, {1, 47, 48, 136}},
    };

    SQLite::Transaction scratch(copy.Db());
    for (const auto& record : records) {
        SCOPED_TRACE(record.name);
        StoreRecord(record.values);
        EXPECT_EQ(FailingRules(), record.failing);
    }
}

}  // namespace
