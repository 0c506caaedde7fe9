#include "entry/cover_rules.h"

#include <cstdlib>

namespace tallwick::entry {
namespace {

constexpr const char* kCodeMissing = "必须输入工会统计编码";
constexpr const char* kNameMissing = "必须输入本级工会名称";
constexpr const char* kFillerMissing = "必须输入填表人";
constexpr const char* kFillerNotChinese = "填表人必须为汉字";
constexpr const char* kTelephoneMissing = "必须输入联系电话";
constexpr const char* kTelephoneInvalid = "联系电话必须是真实有效的7位、8位(可加区号)或11位!";

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) count += IsContinuationByte(c) ? 0 : 1;
    return count;
}

std::string Utf8Left(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuationByte(text[i]) && seen++ == count) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

bool HasLatinOrDigit(std::string_view text) {
    for (const char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            return true;
        }
    }
    return false;
}

bool TelephoneLengthValid(std::string_view telephone) {
    const std::size_t length = Utf8Length(telephone);
    if (telephone.find('-') != std::string_view::npos) return length >= 11 && length <= 13;
    return length == 7 || length == 8 || length == 11 || length == 12;
}

std::optional<std::string> CodeExitMessage(std::string_view code) {
    if (code.empty()) return kCodeMissing;
    if (Utf8Length(code) != 12) return "工会统计编码必须为12位";
    return std::nullopt;
}

std::optional<std::string> UnionNameExitMessage(std::string_view name) {
    if (TrimBlanks(Utf8Left(name, kUnionNameMaxLength)).empty()) return kNameMissing;
    return std::nullopt;
}

std::optional<std::string> FillerExitMessage(std::string_view filler) {
    const std::string trimmed = TrimBlanks(Utf8Left(filler, kFillerMaxLength));
    if (trimmed.empty()) return kFillerMissing;
    if (HasLatinOrDigit(trimmed)) return kFillerNotChinese;
    return std::nullopt;
}

std::optional<std::string> TelephoneExitMessage(std::string_view telephone) {
    const std::string cut = Utf8Left(telephone, kTelephoneMaxLength);
    if (TrimBlanks(cut).empty()) return kTelephoneMissing;
    if (!TelephoneLengthValid(cut)) return kTelephoneInvalid;
    return std::nullopt;
}

std::optional<CoverFailure> ValidateCover(const CoverFields& cover, double loadedCode, bool adding,
                                          const CoverLookup& lookup) {
    if (cover.code.empty()) return CoverFailure{"c901", kCodeMissing};
    const double code = std::strtod(cover.code.c_str(), nullptr);
    if (Utf8Length(cover.code) != 12 || code < kLowestUnionCode) {
        return CoverFailure{"c901", "本级工会编码必须大于100000000000且必须为12位!"};
    }
    if (code != loadedCode && lookup.CodeIsStored(code)) {
        const std::string verb =
            adding ? "在增加数据时，填写的本级工会编码为" : "在修改数据时，将本级工会编码改为";
        return CoverFailure{"c901", verb + cover.code + "，该编码的数据已经存在，请改用其它编码。",
                            true};
    }
    if (TrimBlanks(cover.unionName).empty()) return CoverFailure{"c902", kNameMissing};
    if (lookup.RegionName(cover.region).empty()) return CoverFailure{"c903", kBadRegionMessage};
    if (lookup.LevelName(cover.level).empty()) return CoverFailure{"c904", kBadLevelMessage};
    if (lookup.StateName(cover.state).empty()) {
        return CoverFailure{
            "c907", "输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"};
    }
    const std::string filler = TrimBlanks(cover.filler);
    if (filler.empty()) return CoverFailure{"c905", kFillerMissing};
    if (HasLatinOrDigit(filler)) return CoverFailure{"c905", kFillerNotChinese};
    if (TrimBlanks(cover.telephone).empty()) return CoverFailure{"c906", kTelephoneMissing};
    if (!TelephoneLengthValid(cover.telephone)) return CoverFailure{"c906", kTelephoneInvalid};
    return std::nullopt;
}

}  // namespace tallwick::entry
