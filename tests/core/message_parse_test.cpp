#include "check/message_parse.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tallwick::check::FieldHints;
using tallwick::check::Parse;
using tallwick::check::TranslateKey;

const FieldHints& Hints() {
    static const FieldHints hints({
        {"z001", "会员人数"},
        {"z002", "女会员"},
        {"z007", "其他会员"},
        {"j020", "建立组织"},
        {"j021", "签订合同"},
        {"l001", "开展活动"},
        {"l002", "活动次数"},
        {"s013", "上年人数"},
        {"s014", "本年人数"},
        {"d023", "平均年龄"},
    });
    return hints;
}

struct Case {
    const char* input;
    const char* expected;
};

TEST(ParseTranslateKey, TurnsOperatorsAndFieldNamesIntoWords) {
    const Case cases[] = {
        {"<=", "不能大于"},
        {">=", "不能小于"},
        {"=", "必须等于"},
        {">", "必须大于"},
        {"<", "必须小于"},
        {"[<=]", "不能大于"},
        {"[>", "必须大于"},
        {"=]", "必须等于"},
        {"z001", "[会员人数]"},
        {"Z001", "[会员人数]"},
        {"[z002]", "[女会员]"},
        // Anything else comes out as written, without the brackets around it.
        {"<>", "<>"},
        {"[<>]", "<>"},
        {"and", "and"},
        {"or", "or"},
        {"q999", "q999"},
        {"==", "=="},
        {"", ""},
    };
    for (const auto& [token, expected] : cases) {
        EXPECT_EQ(TranslateKey(token, Hints()), expected) << "token \"" << token << '"';
    }
}

TEST(Parse, RendersRuleTemplates) {
    const Case cases[] = {
        {"z002[<=]z001", "[女会员]不能大于[会员人数]"},
        {"z001、z007的和[>]0", "[会员人数]、[其他会员]的和必须大于0"},
        {"如果不是j020，那么j021[<>]1", "如果不是[建立组织]，那么[签订合同]<>1"},
        {"(s013+s014[=]0 ) or (s013*s014[>]0 and s014[>]s013)",
         "([上年人数]+[本年人数]必须等于0 ) or ([上年人数]*[本年人数]必须大于0 and "
         "[本年人数]必须大于[上年人数])"},
        {"如果c904<=3，d023[>=]20", "如果c904<=3，[平均年龄]不能小于20"},
        // Plain words around field names: the names get their hints, the words stay.
        {"如果l001不等于1，那么l002必须等于0", "如果[开展活动]不等于1，那么[活动次数]必须等于0"},
        // A digit after "]" is copied; digits inside a name belong to the name.
        {"[>]0", "必须大于0"},
        {"z001[<=]100", "[会员人数]不能大于100"},
        {"z0012", "z0012"},
        // Names the catalogue does not hold are copied as written.
        {"q123[<=]z001", "q123不能大于[会员人数]"},
        {"", ""},
        {"100、200", "100、200"},
    };
    for (const auto& [messageTemplate, expected] : cases) {
        EXPECT_EQ(Parse(messageTemplate, Hints()), expected)
            << "template \"" << messageTemplate << '"';
    }
}

// The less travelled paths of the state machine.
TEST(Parse, EndsTokensWhereTheStatesSay) {
    const Case cases[] = {
        // A name or an operator at the very end is still translated.
        {"z001", "[会员人数]"},
        {"z001[<=", "[会员人数]不能大于"},
        // A bracketed operator ends at a space or an arithmetic sign, which is kept.
        {"[>= z001", "不能小于 [会员人数]"},
        {"[<=(z001)", "不能大于([会员人数])"},
        {"[=+z001", "必须等于+[会员人数]"},
        // "]" after a name is dropped; any other sign after a name is copied.
        {"[z001]", "[会员人数]"},
        {"z001]z002", "[会员人数][女会员]"},
        {"z001,z002", "[会员人数],[女会员]"},
        // A letter inside brackets turns the token into a word that keeps what came before.
        {"[<z001]", "<z001"},
        // Non-ASCII text inside brackets is part of the token, and unknown, so written as is.
        {"[的]", "的"},
        {"[", ""},
        {"]", "]"},
    };
    for (const auto& [messageTemplate, expected] : cases) {
        EXPECT_EQ(Parse(messageTemplate, Hints()), expected)
            << "template \"" << messageTemplate << '"';
    }
}

}  // namespace
