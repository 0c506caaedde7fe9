// The rule analysis on the delivered rules, with one of them written twice.
#include "locate/rule_analysis.h"

#include "locate/locate_catalogue.h"
#include "locate/locate_fields.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tallwick::locate {
namespace {

// Rule 11 (a leader) makes rules 3, 12 and 23 follow from the others; a second copy of it must
// not make both copies "may go", which would leave the set without either.
TEST(RuleAnalysis, OfTwoRulesThatSayTheSameOnlyOneMayGo) {
    test::DeliveredDatabaseCopy copy;
    const LocateCatalogue catalogue = LocateCatalogue::Read(copy.Db());
    std::vector<FormulaRule> rules = LocateRules::Delivered().formulas;
    const auto eleven = std::find_if(rules.begin(), rules.end(),
                                     [](const FormulaRule& rule) { return rule.number == 11; });
    ASSERT_NE(eleven, rules.end());
    FormulaRule twin = *eleven;
    twin.number = 9011;
    rules.push_back(twin);
    const auto analyses = AnalyseRules(catalogue, rules, {1}, 10000);
    ASSERT_EQ(analyses.size(), 1u);
    const std::vector<int>& implied = analyses[0].implied;
    const bool first = std::count(implied.begin(), implied.end(), 11) > 0;
    const bool second = std::count(implied.begin(), implied.end(), 9011) > 0;
    EXPECT_NE(first, second) << testing::PrintToString(implied);
}

// "Never fails" holds for the answers' whole range, up to their limits, not only up to the bound
// the analysis screens with: a rule that fails only beyond it is neither never failing nor implied.
TEST(RuleAnalysis, NeverFailsMeansUpToTheAnswersLimits) {
    test::DeliveredDatabaseCopy copy;
    const LocateCatalogue catalogue = LocateCatalogue::Read(copy.Db());
    const double top = catalogue.Limits(LocateFieldIndex("z001")).upper;
    const Linear z001 = Linear::Field("z001");
    const Linear z002 = Linear::Field("z002");
    const struct {
        const char* name;
        Formula rule;
        bool neverFails;
    } cases[] = {
        {"fails above 20000", z001 <= Linear::Constant(20000), false},
        {"one of two parts fails above 20000",
         z001 <= Linear::Constant(20000) && z002 >= Linear::Constant(0), false},
        {"fails when the answers sum above 40000",
         z001 + z002 <= Linear::Constant(40000) || z002 <= Linear::Constant(-1), false},
        {"fails between 10000 and 20001",
         z001 == Linear::Constant(20001) || z001 <= Linear::Constant(10000), false},
        {"fails only at the limit", z001 < Linear::Constant(top), false},
        {"holds up to the limit", z001 <= Linear::Constant(top), true},
        {"holds for every answer", z001 + z002 >= z002, true},
        {"either part holds", z001 == Linear::Constant(5) || z001 != Linear::Constant(5), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto analyses = AnalyseRules(catalogue, {{7, c.rule}}, {1}, 10000);
        ASSERT_EQ(analyses.size(), 1u);
        const auto& analysis = analyses[0];
        EXPECT_EQ(analysis.neverFail == std::vector<int>{7}, c.neverFails);
        EXPECT_TRUE(analysis.implied.empty());
        EXPECT_TRUE(analysis.undecided.empty());
    }
}

}  // namespace
}  // namespace tallwick::locate
