// The rule table as the entry window drives it: expressions with the controls' values in place,
// evaluated by SQLite, errors into the list page by page.
#include "check/rule_table.h"

#include "check/compiled_rules.h"
#include "check/field_hints.h"

#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using tallwick::check::EvaluateExpression;
using tallwick::check::LogicError;
using tallwick::check::MessageList;
using tallwick::check::RuleTable;
using tallwick::check::StoredRecordValues;
using tallwick::check::SubstituteControls;
using tallwick::check::UserNotifier;
using tallwick::check::ValueSource;
using Messages = std::vector<std::string>;
using Errors = std::vector<LogicError>;

// Controls by exact name; "c902" stands for a control that is not a numeric input.
class FakeControls : public ValueSource {
  public:
    explicit FakeControls(std::map<std::string, double, std::less<>> values)
        : values_(std::move(values)) {}

    std::optional<double> Value(std::string_view name) const override {
        if (name == "c902") throw std::invalid_argument("c902 is a text control");
        const auto found = values_.find(name);
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }

  private:
    std::map<std::string, double, std::less<>> values_;
};

class RecordingNotifier : public UserNotifier {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    Messages messages;
};

class RecordingList : public MessageList {
  public:
    void ClearMessages() override {
        errors.clear();
        ++clears;
    }
    void AddMessage(const LogicError& error) override { errors.push_back(error); }
    bool HasNoMessages() const override { return errors.empty(); }
    void ShowList() override { shownWith.push_back(errors.size()); }

    Errors errors;
    int clears = 0;
    std::vector<std::size_t> shownWith;  // the number of errors at each ShowList
};

std::string Describe(const Errors& errors) {
    std::string text;
    for (const auto& error : errors) {
        text += "\n  " + std::to_string(error.page) + " " + error.focus + " " + error.rule + " " +
                error.explanation;
    }
    return text;
}

struct SubstituteCase {
    const char* expression;
    std::map<std::string, double, std::less<>> controls;
    const char* expected;
    Messages messages;
};

TEST(SubstituteControlsTest, ReplacesFieldNamesByRoundedValues) {
    const SubstituteCase cases[] = {
        {"z002>z001", {{"z001", 3}, {"z002", 5}}, "5>3", {}},
        {"z001 > 0 and z001 < 9 AND not (z001 = 1) Or NOT z001 <> 2",
         {{"z001", 7}},
         "7 > 0 and 7 < 9 AND not (7 = 1) Or NOT 7 <> 2",
         {}},
        // Half goes to the even neighbour, on both sides of zero.
        {"a+b+c+d+e",
         {{"a", 2.5}, {"b", 3.5}, {"c", -2.5}, {"d", 0.5}, {"e", 2.51}},
         "2+4+-2+0+3",
         {}},
        {"a<b", {{"a", -0.4}, {"b", 1e15 + 0.5}}, "0<1000000000000000", {}},
        {"z005", {{"z005", -5}}, "-5", {}},
        // "3--5" would be "3" and a comment in SQLite.
        {"z001-z005", {{"z001", 3}, {"z005", -5}}, "3- -5", {}},
        // Digits and other characters extend a word but are copied outside one.
        {"z001+20 >= 1.5*z001", {{"z001", 3}}, "3+20 >= 1.5*3", {}},
        {"x1a2=0", {{"x1a2", 4}}, "4=0", {}},
        {"z001 > q999", {{"z001", 3}}, "3 > ", {"Control name parse error : q999"}},
        {"z001.5 > 0", {{"z001", 3}}, " > 0", {"Control name parse error : z001.5"}},
        {"(z001)", {{"z001", 3}}, "(3)", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        const FakeControls controls(c.controls);
        RecordingNotifier notifier;
        EXPECT_EQ(SubstituteControls(c.expression, controls, notifier), c.expected);
        EXPECT_EQ(notifier.messages, c.messages);
    }
}

class RuleTableTest : public ::testing::Test {
  protected:
    RuleTableTest() {
        db.exec("delete from dt_logic");
        // Own hints, so the expected explanations do not hang on the catalogue's wording.
        for (const auto& [name, hint] :
             std::map<std::string, std::string>{{"z001", "staff"}, {"z002", "women"}}) {
            SQLite::Statement update(db,
                                     "update DT_FieldList set Hint = ? where lower(FieldName) = ?");
            update.bind(1, hint);
            update.bind(2, name);
            EXPECT_EQ(update.exec(), 1);
        }
    }

    void AddRule(int id, const std::string& expression, int page) {
        SQLite::Statement insert(db, "insert into dt_logic values (?, ?, ?, ?, ?, ?)");
        insert.bind(1, id);
        insert.bind(2, expression);
        insert.bind(3, "rule " + std::to_string(id));
        insert.bind(4, "z002[<=]z001 #" + std::to_string(id));
        insert.bind(5, "x001");
        insert.bind(6, page);
        insert.exec();
    }

    static LogicError Error(int id, int page) {
        return {"rule " + std::to_string(id), "[women]不能大于[staff] #" + std::to_string(id), page,
                "x001"};
    }

    tallwick::test::DeliveredDatabaseCopy copy{tallwick::test::WithoutLimitGuards{}};  // any values
    SQLite::Database& db = copy.Db();
    FakeControls controls{{{"z000", 0}, {"z001", 3}, {"z002", 5}, {"x001", 4}}};
    RecordingList list;
    RecordingNotifier notifier;
};

TEST_F(RuleTableTest, EvaluatesOnTheEngine) {
    struct Case {
        const char* expression;
        bool holds;
    };
    const Case cases[] = {
        {"z002>z001", true},
        {"z002 < z001", false},
        {"z002 > z001 and x001 = 4", true},
        {"not (z002 > z001)", false},
        {"z002 > z001 OR z000 = 1", true},
        {"z001", false},  // a number is not the engine's true
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(EvaluateExpression(db, c.expression, controls, notifier), c.holds);
    }
    EXPECT_TRUE(notifier.messages.empty());

    // SQLite answers NULL where a division by zero would stop another engine; neither passes.
    for (const char* broken : {"z001 >", "z001 / z000 > 0", "q999 > 1", ""}) {
        SCOPED_TRACE(broken);
        EXPECT_THROW(EvaluateExpression(db, broken, controls, notifier), std::exception);
    }
}

TEST_F(RuleTableTest, ErrorsArriveInPageOrderWithRenderedExplanations) {
    AddRule(1, "z002 > z001", 13);
    AddRule(2, "x001 > z001", 2);
    AddRule(3, "z002 > 0", 1);
    AddRule(4, "z002 < 0", 1);  // holds, so no error
    AddRule(5, "z001 = 3", 1);
    RuleTable table(db, controls, list, notifier);

    list.AddMessage(Error(99, 7));  // left from an earlier check
    table.CheckAllPages();

    EXPECT_EQ(list.errors, (Errors{Error(3, 1), Error(5, 1), Error(2, 2), Error(1, 13)}));
    EXPECT_EQ(list.clears, 1);
    EXPECT_EQ(list.shownWith.size(), 14u);  // after every page, since page 1 left errors
    EXPECT_TRUE(notifier.messages.empty());

    // The rules are read anew on each check.
    db.exec("delete from dt_logic where id = 1");
    table.CheckAllPages();
    EXPECT_EQ(list.errors, (Errors{Error(3, 1), Error(5, 1), Error(2, 2)}));
}

TEST_F(RuleTableTest, PagesOutsideTheFormDoNothing) {
    AddRule(1, "z002 > z001", 1);
    RuleTable table(db, controls, list, notifier);
    list.AddMessage(Error(99, 7));

    for (const int page : {0, -1, 15}) table.CheckPageRules(page, true);
    EXPECT_EQ(list.errors, Errors{Error(99, 7)});
    EXPECT_EQ(list.clears, 0);
    EXPECT_TRUE(list.shownWith.empty());
}

TEST_F(RuleTableTest, APageWithoutRulesAddsNothing) {
    AddRule(1, "z002 > z001", 1);
    RuleTable table(db, controls, list, notifier);

    list.AddMessage(Error(99, 7));
    table.CheckPageRules(14, false);
    EXPECT_EQ(list.errors, Errors{Error(99, 7)});
    EXPECT_EQ(list.shownWith, std::vector<std::size_t>{1});  // the list still holds an error

    table.CheckPageRules(14, true);
    EXPECT_TRUE(list.errors.empty());
    EXPECT_EQ(list.shownWith.size(), 1u);  // nothing to show
}

TEST_F(RuleTableTest, AFailingRuleEndsOnlyItsOwnPage) {
    struct Case {
        const char* expression;
        Messages messages;
    };
    const Case cases[] = {
        {"z002 >", {"z002 >"}},
        {"z002 / z000 > 0", {"z002 / z000 > 0"}},
        {"c902 > 0", {"c902 > 0"}},
        {"q999 > 0", {"Control name parse error : q999", "q999 > 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        db.exec("delete from dt_logic");
        AddRule(1, "z002 > z001", 1);
        AddRule(2, c.expression, 1);
        AddRule(3, "z002 > 0", 1);  // would fail, but comes after the broken rule
        AddRule(4, "x001 > z001", 2);
        RuleTable table(db, controls, list, notifier);
        notifier.messages.clear();

        table.CheckAllPages();
        EXPECT_EQ(list.errors, (Errors{Error(1, 1), Error(4, 2)}));
        EXPECT_EQ(notifier.messages, c.messages);
    }
}

TEST_F(RuleTableTest, StoredRecordsFeedTheRuleTable) {
    db.exec(
        "insert into dt_data (c901, c902, c904, z001, z002) values (440100000001, 'Union', 3, "
        "NULL, 2.5);"
        "insert into dt_data1 (c901, y003) values (440100000001, 7);"
        "insert into dt_data (c901, z001) values (440100000002, 9);"
        "insert into dt_data1 (c901) values (440100000002)");
    StoredRecordValues stored(db, 440100000001);
    EXPECT_EQ(stored.Value("z001"), 0.0);  // an empty field is 0
    EXPECT_EQ(stored.Value("Z002"), 2.5);
    EXPECT_EQ(stored.Value("c904"), 3.0);
    EXPECT_EQ(stored.Value("y003"), 7.0);  // from the second table
    EXPECT_EQ(stored.Value("c901"), 440100000001.0);
    EXPECT_EQ(stored.Value("q999"), std::nullopt);
    EXPECT_THROW(stored.Value("c902"), std::exception);

    AddRule(1, "z002 > z001", 1);
    AddRule(2, "c902 > 0", 2);
    RuleTable table(db, stored, list, notifier);
    table.CheckAllPages();
    EXPECT_EQ(list.errors, Errors{Error(1, 1)});
    EXPECT_EQ(notifier.messages, Messages{"c902 > 0"});

    stored.Read(440100000002);
    EXPECT_EQ(stored.Value("z001"), 9.0);
    table.CheckPageRules(1, true);
    EXPECT_TRUE(list.errors.empty());

    EXPECT_THROW(stored.Read(440100000003), std::exception);
}

// Stored records go through the compiled rule set, the record on screen through dt_logic; a
// record must fail the same rules on both roads, reported in the same words.
TEST(RuleTablePropertyTest, AgreesWithTheCompiledRuleSetOnRandomRecords) {
    constexpr int kRecords = 3000;
    constexpr double kFirstCode = 440100000000;
    tallwick::test::DeliveredDatabaseCopy copy{tallwick::test::WithoutLimitGuards{}};  // any values
    SQLite::Database& db = copy.Db();

    // Every numeric field of both tables except the code; one insert per table, prepared once.
    struct Table {
        std::string name;
        std::vector<std::string> fields;
        std::unique_ptr<SQLite::Statement> insert;
    };
    Table tables[] = {{"dt_data", {}, nullptr}, {"dt_data1", {}, nullptr}};
    for (auto& table : tables) {
        SQLite::Statement info(db,
                               "select name from pragma_table_info(?) where type <> 'TEXT' "
                               "and name not in ('c901', 'RecordState')");
        info.bind(1, table.name);
        std::string columns = "c901", marks = "?";
        while (info.executeStep()) {
            table.fields.push_back(info.getColumn(0).getString());
            columns += "," + table.fields.back();
            marks += ",?";
        }
        table.insert = std::make_unique<SQLite::Statement>(
            db, "insert into " + table.name + " (" + columns + ") values (" + marks + ")");
    }

    // Whole numbers only: the entry window rounds what the compiled set reads unrounded. Each
    // record draws how sparse it is, so that sums meet their totals and every rule both holds and
    // fails somewhere.
    std::mt19937 random(20180925);
    auto draw = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto value = [&draw](const std::string& field, int zeroPercent) {
        if (field == "c904") return draw(0, 12);
        if (draw(1, 100) <= zeroPercent) return 0;
        const int kind = draw(1, 20);
        return kind <= 12   ? draw(0, 3)
               : kind <= 17 ? draw(0, 30)
               : kind <= 19 ? draw(0, 100)
                            : draw(-3, -1);
    };
    SQLite::Transaction transaction(db);
    for (int i = 0; i < kRecords; ++i) {
        const int zeroPercent = std::array{10, 50, 90}[draw(0, 2)];
        for (auto& table : tables) {
            table.insert->reset();
            table.insert->bind(1, kFirstCode + i);
            for (std::size_t k = 0; k < table.fields.size(); ++k) {
                table.insert->bind(static_cast<int>(k) + 2, value(table.fields[k], zeroPercent));
            }
            table.insert->exec();
        }
    }
    transaction.commit();

    std::string recordSet = "select dt_data.*";
    for (int y = 1; y <= 12; ++y)
        recordSet += ",dt_data1.y0" + std::string(y < 10 ? "0" : "") + std::to_string(y);
    recordSet +=
        " from dt_data inner join dt_data1 on dt_data1.c901 = dt_data.c901 order by dt_data.c901";
    SQLite::Statement records(db, recordSet);
    const tallwick::check::RecordColumns columns(records);
    const tallwick::check::CompiledRuleSet compiled(tallwick::check::FieldHints::Load(db));

    StoredRecordValues stored(db, kFirstCode);
    RecordingList list;
    RecordingNotifier notifier;
    RuleTable table(db, stored, list, notifier);

    std::map<int, int> failures;  // rule number -> records that fail it
    int checked = 0;
    int mismatches = 0;
    while (records.executeStep() && mismatches < 5) {
        const double code = records.getColumn("c901").getDouble();
        const auto values = columns.Read(records);
        Errors expected;
        compiled.CheckRecord(values, [&](const LogicError& error) { expected.push_back(error); });
        for (const int rule : compiled.FailingRules(values)) ++failures[rule];

        stored.Read(code);
        table.CheckAllPages();
        if (list.errors != expected) {
            ++mismatches;
            ADD_FAILURE() << "record " << static_cast<std::int64_t>(code)
                          << "\n rule table:" << Describe(list.errors)
                          << "\n compiled set:" << Describe(expected);
        }
        ++checked;
    }
    EXPECT_EQ(checked, kRecords);
    EXPECT_TRUE(notifier.messages.empty());
    for (int rule = 1; rule <= tallwick::check::CompiledRuleSet::kRuleCount; ++rule) {
        SCOPED_TRACE(rule);
        EXPECT_GT(failures[rule], 0);
        EXPECT_LT(failures[rule], kRecords);
    }
}

}  // namespace
