// Error localisation: the smallest repairs of hand-made records, the judge of every suggestion,
// records no repair can mend, determinism, and the formulas' agreement with the compiled rules.
#include "locate/error_localiser.h"
#include "check/compiled_rules.h"
#include "locate/delivered_formulas.h"
#include "locate/locate_fields.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::vector<std::tuple<std::string, double, double>> Named(const Localisation& found) {
    std::vector<std::tuple<std::string, double, double>> named;
    for (const RepairChange& change : found.changes) {
        named.emplace_back(std::string(LocateFields()[static_cast<std::size_t>(change.field)].name),
                           change.current, change.repaired);
    }
    return named;
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
        std::vector<std::tuple<std::string, double, double>> repair;
    } cases[] = {
        // Rules 113 and 121 both point at the one addend that fits both.
        {"one wrong addend", {{"d014", 1}}, {{"d014", 1, 10}}},
        // Rules 108, 113 and 115 agree on the total; their parts would take three changes.
        {"a wrong total", {{"d012", 100}}, {{"d012", 100, 10}}},
        // Rule 57: "no" with follow-up numbers; clearing them would take four changes.
        {"a yes/no answer against its follow-up numbers", {{"f008", 2}}, {{"f008", 2, 1}}},
        {"two independent faults", {{"d014", 1}, {"f008", 2}}, {{"f008", 2, 1}, {"d014", 1, 10}}},
        // Rule 38 with the amount 2.5 kept: the count goes below it rather than the amount up.
        {"a count above its decimal amount", {{"b018", 2.5}}, {{"b017", 3, 2}}},
        // Outside its codes: the yes/no answer must change whatever the rules say.
        {"an answer outside its codes", {{"l001", 7}, {"l002", 3}}, {{"l001", 7, 1}}},
    };
    const ErrorLocaliser localiser = Delivered();
    const check::CompiledRuleSet compiled{check::FieldHints()};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const check::RecordValues record = Record(With(CleanProvince(), c.changes));
        ASSERT_FALSE(compiled.FailingRules(record).empty());
        const Localisation found = localiser.Locate(record);
        ASSERT_EQ(found.outcome, Localisation::Outcome::Suggested);
        EXPECT_EQ(Named(found), c.repair);
        EXPECT_TRUE(compiled.FailingRules(Repaired(record, found.changes)).empty());
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
            EXPECT_TRUE(
                localiser.Catalogue().Answered(change.field, static_cast<int>(record.c904)));
            EXPECT_TRUE(localiser.Catalogue().Limits(change.field).Admits(change.repaired));
        }
    }
    EXPECT_GT(suggested, 50);
}

TEST_F(Localiser, SaysSoWhenNoRepairWithinTheLimitsExists) {
    // A county-level trade union (level 5) does not answer b037-b039: the stored 7 stays, and
    // rule 50 cannot hold without b038 and b039.
    const check::RecordValues unasked = Record(With(CleanProvince(), {{"c904", 5}, {"b037", 7}}));
    const Localisation found = Delivered().Locate(unasked);
    EXPECT_EQ(found.outcome, Localisation::Outcome::NoRepair);
    EXPECT_EQ(found.unaskedAnswers, std::vector<int>{LocateFieldIndex("b037")});

    // Through the solver: each rule can hold, but not all of them within the answers' limits.
    const Linear z001 = Linear::Field("z001"), z002 = Linear::Field("z002");
    const Linear z009 = Linear::Field("z009"), z015 = Linear::Field("z015");
    const struct {
        const char* why;
        std::vector<FormulaRule> rules;
    } cases[] = {
        {"contradicting rules", {{1, z002 <= z001}, {2, z002 > z001 + Linear::Constant(1)}}},
        {"two yes/no codes cannot add up to 5",
         {{1, z009 + z015 >= Linear::Constant(5) || z001 < Linear::Constant(0)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ErrorLocaliser artificial(*catalogue_, LocateRules::FromFormulas(c.rules));
        const Localisation none = artificial.Locate(Record({{"c904", 1}, {"z001", 3}}));
        EXPECT_EQ(none.outcome, Localisation::Outcome::NoRepair);
        EXPECT_TRUE(none.changes.empty());
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
