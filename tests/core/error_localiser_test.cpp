// Error localisation: the smallest repairs of hand-made records, the judge of every suggestion,
// records no repair can mend, determinism, and the formulas' agreement with the compiled rules.
#include "locate/error_localiser.h"
#include "check/compiled_rules.h"
#include "locate/delivered_formulas.h"
#include "locate/locate_fields.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tallwick::locate {
namespace {

using Values = std::vector<std::pair<std::string, double>>;

check::RecordValues Record(const Values& values) {
    check::RecordValues record;
    for (const auto& [name, value] : values) SetFieldValue(record, LocateFieldIndex(name), value);
    return record;
}

// A provincial union (level 1) that breaks no rule.
Values CleanProvince() {
    return {{"c901", 100000000001},
            {"c904", 1},
            {"z001", 40},
            {"z002", 20},
            {"z003", 10},
            {"z004", 20},
            {"z005", 10},
            {"x001", 5},
            {"x002", 1},
            {"x003", 2},
            {"b017", 3},
            {"b018", 2000},
            {"f008", 1},
            {"f009", 5},
            {"f010", 3},
            {"f011", 1},
            {"f012", 2},
            {"d005", 20},
            {"d007", 3},
            {"d012", 10},
            {"d014", 10},
            {"d024", 10},
            {"d023", 40},
            {"d032", 1},
            {"d039", 5},
            {"d045", 45},
            {"d046", 5},
            {"d050", 5}};
}

Values With(Values values, const Values& changes) {
    for (const auto& [name, value] : changes) {
        const auto at = std::find_if(values.begin(), values.end(),
                                     [&](const auto& pair) { return pair.first == name; });
        if (at == values.end()) {
            values.emplace_back(name, value);
        } else {
            at->second = value;
        }
    }
    return values;
}

struct Change {
    std::string field;
    double current = 0;
    double repaired = 0;
    bool unasked = false;

    bool operator==(const Change&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Change& change) {
        return out << change.field << ' ' << change.current << " -> " << change.repaired
                   << (change.unasked ? " (unasked)" : "");
    }
};

std::vector<Change> Named(const Localisation& found) {
    std::vector<Change> named;
    for (const RepairChange& change : found.changes) {
        named.push_back({std::string(LocateFields()[static_cast<std::size_t>(change.field)].name),
                         change.current, change.repaired, change.unasked});
    }
    return named;
}

// A county-level union (level 3, which answers the appendix) as the entry window leaves a form
// barely begun: a few answers typed, everything else empty.
Values MostlyEmptyCounty() {
    return {{"c901", 100000000002}, {"c904", 3}, {"z001", 12}, {"z003", 12}, {"x001", 3}};
}

class Localiser : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        test::DeliveredDatabaseCopy copy;
        catalogue_ = new LocateCatalogue(LocateCatalogue::Read(copy.Db()));
    }
    static void TearDownTestSuite() { delete catalogue_; }

    static ErrorLocaliser Delivered() { return {*catalogue_, LocateRules::Delivered()}; }

    static LocateCatalogue* catalogue_;
};

LocateCatalogue* Localiser::catalogue_ = nullptr;

TEST_F(Localiser, TheCleanRecordHasNothingToSuggest) {
    const check::RecordValues record = Record(CleanProvince());
    ASSERT_TRUE(check::CompiledRuleSet(check::FieldHints()).FailingRules(record).empty());
    EXPECT_EQ(Delivered().Locate(record).outcome, Localisation::Outcome::NoErrors);
}

TEST_F(Localiser, FindsTheSmallestRepairOfHandMadeFaults) {
    const struct {
        const char* fault;
        Values changes;
        std::vector<Change> repair;
        Values base = CleanProvince();
    } cases[] = {
        // Rules 113 and 121 both point at the one addend that fits both.
        {"one wrong addend", {{"d014", 1}}, {{"d014", 1, 10}}},
        // Rules 108, 113 and 115 agree on the total; their parts would take three changes.
        {"a wrong total", {{"d012", 100}}, {{"d012", 100, 10}}},
        // Rule 57: "no" with follow-up numbers; clearing them would take four changes.
        {"a yes/no answer against its follow-up numbers", {{"f008", 2}}, {{"f008", 2, 1}}},
        {"two independent faults", {{"d014", 1}, {"f008", 2}}, {{"f008", 2, 1}, {"d014", 1, 10}}},
        // Rule 38: the amount in yuan goes a cent above the count rather than the count below it.
        {"a decimal amount below its count", {{"b018", 2.5}}, {{"b018", 2.5, 3.01}}},
        // Outside its codes: the yes/no answer must change whatever the rules say.
        {"an answer outside its codes", {{"l001", 7}, {"l002", 3}}, {{"l001", 7, 1}}},
        // Gross typos: one change brings each back, however far the value went.
        {"z001 at 4e8", {{"z001", 4e8}}, {{"z001", 4e8, 40}}},
        {"z001 at 1e11", {{"z001", 1e11}}, {{"z001", 1e11, 40}}},
        {"z001 at the largest answer", {{"z001", 99999999999999}}, {{"z001", 99999999999999, 40}}},
        {"d012 at 4e8", {{"d012", 4e8}}, {{"d012", 4e8, 10}}},
        {"d012 at 1e11", {{"d012", 1e11}}, {{"d012", 1e11, 10}}},
        {"d012 at the largest answer", {{"d012", 99999999999999}}, {{"d012", 99999999999999, 10}}},
        {"z004 at 4e8", {{"z004", 4e8}}, {{"z004", 4e8, 20}}},
        {"z004 at 1e11", {{"z004", 1e11}}, {{"z004", 1e11, 20}}},
        {"z004 at the largest answer", {{"z004", 99999999999999}}, {{"z004", 99999999999999, 20}}},
        // A county trade union (level 5) does not answer b037-b039: the stray 7 is cleared, as
        // the entry window would clear it, and that is the whole repair of rule 50.
        {"an unasked answer holding a value",
         {{"b037", 7}},
         {{"b037", 7, 0, true}},
         {{"c901", 100000000003},
          {"c904", 5},
          {"z001", 12},
          {"z003", 12},
          {"x001", 3},
          {"x003", 1}}},
    };
    const ErrorLocaliser localiser = Delivered();
    const check::CompiledRuleSet compiled{check::FieldHints()};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const check::RecordValues record = Record(With(c.base, c.changes));
        ASSERT_FALSE(compiled.FailingRules(record).empty());
        const Localisation found = localiser.Locate(record);
        ASSERT_EQ(found.outcome, Localisation::Outcome::Suggested);
        EXPECT_EQ(Named(found), c.repair);
        EXPECT_TRUE(compiled.FailingRules(Repaired(record, found.changes)).empty());
    }
}

TEST_F(Localiser, RepairsAMostlyEmptyFormWithTheFewestChangesTheWholeModelFinds) {
    // Every appendix total and average the level asks for is missing: many rules break at
    // once and the repair runs through the chains of totals and their parts.
    const ErrorLocaliser localiser = Delivered();
    const check::CompiledRuleSet compiled{check::FieldHints()};
    for (const Values& values : {MostlyEmptyCounty(), With(MostlyEmptyCounty(), {{"c904", 1}}),
                                 With(MostlyEmptyCounty(), {{"z001", 0}, {"z003", 0}})}) {
        const check::RecordValues record = Record(values);
        ASSERT_GT(compiled.FailingRules(record).size(), 3u);
        const Localisation found = localiser.Locate(record);
        ASSERT_EQ(found.outcome, Localisation::Outcome::Suggested);
        EXPECT_TRUE(compiled.FailingRules(Repaired(record, found.changes)).empty());
        const std::optional<double> least = localiser.SmallestRepairCost(record);
        ASSERT_TRUE(least.has_value());
        EXPECT_EQ(static_cast<double>(found.changes.size()), *least);
    }
}

TEST_F(Localiser, EverySuggestionPassesTheCompiledRulesAndTheLimits) {
    // Random faults of every kind on the clean record, at every level.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> field(0, kLocateFieldCount - 1);
    std::uniform_int_distribution<int> value(0, 60);
    std::uniform_int_distribution<int> level(1, 12);
    const ErrorLocaliser localiser = Delivered();
    const check::CompiledRuleSet compiled{check::FieldHints()};
    int suggested = 0;
    for (int i = 0; i < 300; ++i) {
        check::RecordValues record = Record(With(CleanProvince(), {{"c904", level(random)}}));
        for (int f = 0; f < 3; ++f) {
            const int target = field(random);
            if (!IsCoverField(target)) SetFieldValue(record, target, value(random));
        }
        const Localisation found = localiser.Locate(record);
        ASSERT_NE(found.outcome, Localisation::Outcome::NotFound);
        if (found.outcome != Localisation::Outcome::Suggested) continue;
        ++suggested;
        const check::RecordValues repaired = Repaired(record, found.changes);
        EXPECT_TRUE(compiled.FailingRules(repaired).empty());
        for (const RepairChange& change : found.changes) {
            // An answer the level does not ask for is only ever cleared.
            EXPECT_EQ(localiser.Catalogue().Answered(change.field, static_cast<int>(record.c904)),
                      !change.unasked);
            if (change.unasked) {
                EXPECT_EQ(change.repaired, 0);
            }
            EXPECT_TRUE(localiser.Catalogue().Limits(change.field).Admits(change.repaired));
        }
    }
    EXPECT_GT(suggested, 50);
}

TEST_F(Localiser, SaysSoWhenNoRepairWithinTheLimitsExists) {
    // Each rule can hold, but not all of them within the answers' limits; the independent
    // model over every answer agrees that nothing repairs the record.
    const Linear z001 = Linear::Field("z001"), z002 = Linear::Field("z002");
    const Linear z009 = Linear::Field("z009"), z015 = Linear::Field("z015");
    const Linear x005 = Linear::Field("x005");
    const struct {
        const char* why;
        std::vector<FormulaRule> rules;
    } cases[] = {
        {"contradicting rules", {{1, z002 <= z001}, {2, z002 > z001 + Linear::Constant(1)}}},
        {"two yes/no codes cannot add up to 5",
         {{1, z009 + z015 >= Linear::Constant(5) || z001 < Linear::Constant(0)}}},
        // x005 is not asked of a level 5 union, so it stays empty whatever else changes.
        {"a rule that needs an answer the level does not ask for",
         {{1, x005 > Linear::Constant(0) || z001 > Linear::Constant(5)},
          {2, z001 <= Linear::Constant(4)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ErrorLocaliser artificial(*catalogue_, LocateRules::FromFormulas(c.rules));
        const check::RecordValues record = Record({{"c904", 5}, {"z001", 3}});
        const Localisation none = artificial.Locate(record);
        EXPECT_EQ(none.outcome, Localisation::Outcome::NoRepair);
        EXPECT_TRUE(none.changes.empty());
        EXPECT_FALSE(artificial.SmallestRepairCost(record).has_value());
    }
}

TEST_F(Localiser, TheSameRecordAlwaysGetsTheSameSuggestion) {
    // Ties: any of four addends could take the missing 18; the answer must not wander.
    Values values = With(CleanProvince(), {{"z004", 2}});
    const ErrorLocaliser localiser = Delivered();
    const Localisation first = localiser.Locate(Record(values));
    ASSERT_EQ(first.outcome, Localisation::Outcome::Suggested);
    ASSERT_EQ(first.changes.size(), 1u);
    std::mt19937 random(3);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(values.begin(), values.end(), random);
        EXPECT_EQ(localiser.Locate(Record(values)).changes, first.changes);
        EXPECT_EQ(Delivered().Locate(Record(values)).changes, first.changes);
    }
}

TEST(DeliveredFormulas, AgreeWithTheCompiledRulesOnRandomRecords) {
    // Small values make ties, zeros and equalities likely; amounts get halves.
    std::mt19937 random(2018);
    std::uniform_int_distribution<int> small(0, 4);
    std::uniform_int_distribution<int> level(0, 13);
    std::bernoulli_distribution half(0.2);
    const auto formulas = DeliveredFormulas();
    ASSERT_EQ(formulas.size(), static_cast<std::size_t>(check::CompiledRuleSet::kRuleCount));
    const auto checks = check::CompiledRuleSet::Checks();
    for (int i = 0; i < 20000; ++i) {
        check::RecordValues record;
        for (int f = 0; f < kLocateFieldCount; ++f) {
            const LocateField& field = LocateFields()[static_cast<std::size_t>(f)];
            double value = small(random);
            if (field.real && half(random)) value += 0.5;
            SetFieldValue(record, f, field.name == "c904" ? level(random) : value);
        }
        const FieldValues read = [&](int f) { return FieldValue(record, f); };
        for (std::size_t r = 0; r < formulas.size(); ++r) {
            ASSERT_EQ(formulas[r].number, checks[r].number);
            ASSERT_EQ(Evaluate(formulas[r].holds, read), !checks[r].fails(record))
                << "rule " << checks[r].number << " on record " << i;
        }
    }
}

}  // namespace
}  // namespace tallwick::locate
