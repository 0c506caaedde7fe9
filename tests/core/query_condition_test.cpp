// The condition texts of the indicator query and the code range search, and the refused inputs.
#include "query/code_search.h"
#include "query/condition_error.h"
#include "query/indicator_condition.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tallwick::query::BuildCodeRangeCondition;
using tallwick::query::BuildIndicatorCondition;
using tallwick::query::CodeRangeSearch;
using tallwick::query::Comparison;
using tallwick::query::ConditionError;
using tallwick::query::ConditionFocus;
using tallwick::query::Connector;
using tallwick::query::IndicatorSearch;

struct IndicatorCase {
    IndicatorSearch search;
    std::string condition;
};

TEST(QueryIndicatorCondition, BuildsTheComparisonsWithoutBlanks) {
    const IndicatorCase cases[] = {
        {{"z001", Comparison::GreaterOrEqual, "10", Comparison::Less, "50"},
         "where z001>=10 and z001<50"},
        {{"z001", Comparison::Equal, "0", Comparison::None, ""}, "where z001=0"},
        {{" y005 ", Comparison::Greater, " 3 ", Comparison::LessOrEqual, "9"},
         "where y005>3 and y005<=9"},
        {{"c901", Comparison::Equal, "110000000001", Comparison::None, ""},
         "where c901=110000000001"},
    };
    for (const auto& item : cases)
        EXPECT_EQ(BuildIndicatorCondition(item.search), item.condition) << item.condition;
}

struct RefusedCase {
    IndicatorSearch search;
    std::string message;
    ConditionFocus focus;
};

TEST(QueryIndicatorCondition, RefusesIncompleteInputWithItsOwnMessage) {
    const RefusedCase cases[] = {
        {{"", Comparison::Equal, "1", Comparison::None, ""}, "请选择指标", ConditionFocus::Field},
        {{"z001;drop", Comparison::Equal, "1", Comparison::None, ""},
         "请选择指标",
         ConditionFocus::Field},
        {{"z001", Comparison::Equal, " ", Comparison::Equal, ""},
         "请至少输入一个条件",
         ConditionFocus::Number1},
        {{"c901", Comparison::Equal, "11000000000", Comparison::None, ""},
         "c901必须为12位",
         ConditionFocus::Number1},
        {{"c901", Comparison::Equal, "110000000001", Comparison::Less, "1100000000011"},
         "c901必须为12位",
         ConditionFocus::Number2},
        // The c901 length comes before the operators are looked at.
        {{"c901", Comparison::None, "1", Comparison::None, ""},
         "c901必须为12位",
         ConditionFocus::Number1},
        {{"z001", Comparison::None, "5", Comparison::None, ""},
         "请选择第一个条件的比较符号",
         ConditionFocus::Operator1},
        {{"z001", Comparison::Equal, "", Comparison::Less, "5"},
         "请输入第一个条件的数值",
         ConditionFocus::Number1},
        {{"z001", Comparison::Equal, "5", Comparison::Less, ""},
         "请输入第二个条件的数值",
         ConditionFocus::Number2},
        {{"z001", Comparison::Equal, "5", Comparison::None, "7"},
         "请选择第二个条件的比较符号",
         ConditionFocus::Operator2},
        {{"z001", Comparison::None, "", Comparison::Less, "7"},
         "请先输入第一个条件",
         ConditionFocus::Operator1},
        {{"z001", Comparison::Equal, "1 or 1", Comparison::None, ""},
         "条件的数值只能由数字组成",
         ConditionFocus::Number1},
    };
    for (const auto& item : cases) {
        try {
            BuildIndicatorCondition(item.search);
            ADD_FAILURE() << "accepted: " << item.message;
        } catch (const ConditionError& error) {
            EXPECT_EQ(error.what(), item.message);
            EXPECT_EQ(error.Focus(), item.focus) << item.message;
        }
    }
}

TEST(QueryCodeRangeCondition, JoinsTheComparisonsWithTheConnector) {
    const struct {
        CodeRangeSearch search;
        std::string condition;
    } cases[] = {
        {{Comparison::GreaterOrEqual, "100000000000", Connector::And, Comparison::LessOrEqual,
          "100000000099"},
         "where c901>=100000000000 AND c901<=100000000099"},
        {{Comparison::Equal, "100000000001", Connector::Or, Comparison::Equal, "100000000002"},
         "where c901=100000000001 OR c901=100000000002"},
        {{Comparison::Greater, "", Connector::Or, Comparison::Less, " 200000000000 "},
         "where c901<200000000000"},
        {{Comparison::Greater, "0042", Connector::And, Comparison::Less, ""}, "where c901>42"},
    };
    for (const auto& item : cases) EXPECT_EQ(BuildCodeRangeCondition(item.search), item.condition);
}

TEST(QueryCodeRangeCondition, RefusesEmptyAndNonNumericBoxes) {
    const struct {
        CodeRangeSearch search;
        std::string message;
        ConditionFocus focus;
    } cases[] = {
        {{Comparison::Equal, " ", Connector::And, Comparison::Equal, ""},
         "请至少输入一个条件",
         ConditionFocus::Number1},
        {{Comparison::Equal, "1", Connector::And, Comparison::Equal, "2'--"},
         "编号只能由数字组成",
         ConditionFocus::Number2},
    };
    for (const auto& item : cases) {
        try {
            BuildCodeRangeCondition(item.search);
            ADD_FAILURE() << "accepted: " << item.message;
        } catch (const ConditionError& error) {
            EXPECT_EQ(error.what(), item.message);
            EXPECT_EQ(error.Focus(), item.focus);
        }
    }
}

TEST(QueryLocate, CodeMustHaveTwelveDigits) {
    EXPECT_EQ(tallwick::query::LocateCodeValue("110000000001"), 110000000001.0);
    for (const char* text : {"11000000000", "1100000000011", "", "11000000000x"}) {
        try {
            tallwick::query::LocateCodeValue(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const ConditionError& error) {
            EXPECT_STREQ(error.what(), "编码必须为12位");
            EXPECT_EQ(error.Focus(), ConditionFocus::CodeOption);
        }
    }
}

}  // namespace
