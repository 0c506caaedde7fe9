// The rule analysis on the delivered rules, with one of them written twice.
#include "locate/rule_analysis.h"

#include "locate/locate_catalogue.h"
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

}  // namespace
}  // namespace tallwick::locate
