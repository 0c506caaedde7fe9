// The entry window's rules that need no database: level rules, the cover rules, the processor
// stamp and the notes reader.
#include "entry/cover_rules.h"
#include "entry/level_rule.h"
#include "entry/processor_stamp.h"
#include "entry/rtf_notes.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace {

using namespace tallwick::entry;

TEST(EntryLevelRule, DecidesByMembershipOrComparison) {
    struct Case {
        const char* rule;
        int level;
        bool applies;
    };
    const Case cases[] = {
        {"in [10,20,30]", 20, true},
        {"in [10,20,30]", 40, false},
        {"in [10, 20 30]", 30, true},      // blanks separate too
        {"in [1,2,300,256]", 256, false},  // items above 255 are dropped
        {"in [0,1]", 256, false},          // 256 must not wrap to 0
        {"in [0,1]", 0, true},
        {"  in[ 3 ] ", 3, true},
        {"in [1,2]]", 1, true},  // the last bracket closes: "2]" is no item
        {"in [1,2]]", 2, false},
        // Every operator below, at and above its number: one level off shows at the boundary.
        {">=30", 29, false},
        {">=30", 30, true},
        {">=30", 31, true},
        {"<=3", 2, true},
        {"<=3", 3, true},
        {"<=3", 4, false},
        {"=1", 0, false},
        {"=1", 1, true},
        {"= 1", 2, false},
        {"<>5", 4, true},
        {"<>5", 5, false},
        {"<>5", 6, true},
        {">2", 1, false},
        {">2", 2, false},
        {">2", 3, true},
        {"<2", 1, true},
        {"<2", 2, false},
        {"<2", 3, false},
        {"=>3", 5, false},  // not an operator
        {"30", 30, false},  // no operator
        {"<=x", 1, false},
        {"", 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EvaluateLevelRule(c.level, c.rule), c.applies) << c.rule << " level " << c.level;
    }
}

class FakeLookup : public CoverLookup {
  public:
    std::string RegionName(std::int64_t code) const override {
        return code == 110101 ? "北京市东城区" : "";
    }
    std::string LevelName(int code) const override { return code >= 1 && code <= 12 ? "级" : ""; }
    std::string StateName(int code) const override { return code >= 1 && code <= 5 ? "态" : ""; }
    bool CodeIsStored(double code) const override { return code == 100000000005.0; }
};

CoverFields GoodCover() {
    return {"100000000001", "市总工会", 110101, 1, 1, "张三", "010-12345678"};
}

TEST(EntryCoverRules, FirstBrokenRuleDecides) {
    const std::string tooShort = "本级工会编码必须大于100000000000且必须为12位!";
    const std::string badPhone = "联系电话必须是真实有效的7位、8位(可加区号)或11位!";
    struct Case {
        const char* what;
        void (*change)(CoverFields&);
        std::optional<CoverFailure> expected;
    };
    const Case cases[] = {
        {"valid", [](CoverFields&) {}, std::nullopt},
        {"empty code", [](CoverFields& c) { c.code.clear(); },
         CoverFailure{"c901", "必须输入工会统计编码"}},
        {"11 digits", [](CoverFields& c) { c.code = "10000000000"; },
         CoverFailure{"c901", tooShort}},
        {"12 digits below the lowest", [](CoverFields& c) { c.code = "099999999999"; },
         CoverFailure{"c901", tooShort}},
        {"duplicate", [](CoverFields& c) { c.code = "100000000005"; },
         CoverFailure{"c901",
                      "在增加数据时，填写的本级工会编码为100000000005，该编码的数据已经存在，"
                      "请改用其它编码。",
                      true}},
        {"blank name", [](CoverFields& c) { c.unionName = "   "; },
         CoverFailure{"c902", "必须输入本级工会名称"}},
        {"region of 5 digits", [](CoverFields& c) { c.region = 11010; },
         CoverFailure{"c903", kBadRegionMessage}},
        {"unknown 6-digit region", [](CoverFields& c) { c.region = 119999; },
         CoverFailure{"c903", kBadRegionMessage}},
        {"level 0", [](CoverFields& c) { c.level = 0; }, CoverFailure{"c904", kBadLevelMessage}},
        {"state 0", [](CoverFields& c) { c.state = 0; },
         CoverFailure{"c907",
                      "输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"}},
        {"no filler", [](CoverFields& c) { c.filler = " "; },
         CoverFailure{"c905", "必须输入填表人"}},
        {"filler with a letter", [](CoverFields& c) { c.filler = "张A"; },
         CoverFailure{"c905", "填表人必须为汉字"}},
        {"filler with a digit", [](CoverFields& c) { c.filler = "张三2"; },
         CoverFailure{"c905", "填表人必须为汉字"}},
        {"filler with Chinese punctuation", [](CoverFields& c) { c.filler = "张三、李四（代）"; },
         std::nullopt},
        {"no telephone", [](CoverFields& c) { c.telephone = ""; },
         CoverFailure{"c906", "必须输入联系电话"}},
        {"5 digits", [](CoverFields& c) { c.telephone = "12345"; }, CoverFailure{"c906", badPhone}},
    };
    const FakeLookup lookup;
    for (const Case& c : cases) {
        CoverFields cover = GoodCover();
        c.change(cover);
        EXPECT_EQ(ValidateCover(cover, 0, true, lookup), c.expected) << c.what;
    }
}

TEST(EntryCoverRules, OwnCodeIsNoDuplicateAndModifyingHasItsOwnWording) {
    const FakeLookup lookup;
    CoverFields cover = GoodCover();
    cover.code = "100000000005";
    EXPECT_EQ(ValidateCover(cover, 100000000005.0, false, lookup), std::nullopt);
    const auto failure = ValidateCover(cover, 100000000001.0, false, lookup);
    ASSERT_TRUE(failure);
    EXPECT_EQ(
        failure->message,
        "在修改数据时，将本级工会编码改为100000000005，该编码的数据已经存在，请改用其它编码。");
}

TEST(EntryCoverRules, TelephoneLengths) {
    const std::map<std::string, bool> cases = {
        {"1234567", true},       {"12345678", true},        {"13912345678", true},
        {"139123456789", true},  {"12345", false},          {"1391234567890", false},
        {"0531-1234567", true},  {"010-1234567", true},     {"010-123456", false},
        {"0531-12345678", true}, {"0531-123456789", false}, {"123456789", false},
    };
    for (const auto& [telephone, valid] : cases) {
        EXPECT_EQ(TelephoneLengthValid(telephone), valid) << telephone;
    }
}

TEST(EntryCoverRules, MessagesOnLeavingAField) {
    EXPECT_EQ(CodeExitMessage(""), "必须输入工会统计编码");
    EXPECT_EQ(CodeExitMessage("10000000000"), "工会统计编码必须为12位");
    EXPECT_EQ(CodeExitMessage("100000000000"), std::nullopt);
    EXPECT_EQ(UnionNameExitMessage("  "), "必须输入本级工会名称");
    EXPECT_EQ(FillerExitMessage("Zhang"), "填表人必须为汉字");
    EXPECT_EQ(FillerExitMessage(""), "必须输入填表人");
    // An empty telephone says only that it is missing.
    EXPECT_EQ(TelephoneExitMessage(""), "必须输入联系电话");
    EXPECT_EQ(TelephoneExitMessage("010-123456"),
              "联系电话必须是真实有效的7位、8位(可加区号)或11位!");
    // Characters, not bytes, are cut and counted.
    EXPECT_EQ(Utf8Left("工会名称", 2), "工会");
    EXPECT_EQ(Utf8Length("工会1"), 3u);
}

TEST(EntryProcessorStamp, IsThirtyTwoUpperCaseHexDigits) {
    EXPECT_EQ(FormatProcessorStamp({0x000906EA, 0x1, 0xFFFFFFFF, 0xBFEBFBFF}),
              "000906EA00000001FFFFFFFFBFEBFBFF");
    EXPECT_EQ(ProcessorStamp().size(), 32u);
}

TEST(EntryNotes, ReadsTheRtfSubset) {
    const std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 SimSun;}}{\\colortbl ;\\red255\\green0\\blue0;}"
        "{\\*\\generator x;}\\uc1\\b \\u22635?\\u34920?\\b0  a<b\\par\n"
        "\\cf1 red\\cf0\\par}";
    const auto html = RtfToRichText(rtf);
    ASSERT_TRUE(html);
    EXPECT_EQ(*html,
              "<p><span style=\"font-weight:bold;\">填表</span> a&lt;b</p>"
              "<p><span style=\"color:#ff0000;\">red</span></p>");
    EXPECT_EQ(RtfToRichText("plain notes"), std::nullopt);
    EXPECT_EQ(RtfToRichText("{\\rtf1 unclosed"), std::nullopt);
}

}  // namespace
