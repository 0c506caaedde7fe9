#pragma once

// The rules that the cover page of a record must satisfy before the record is written, and the
// shorter rules run when the user leaves a single cover field.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallwick::entry {

inline constexpr std::size_t kUnionNameMaxLength = 60;
inline constexpr std::size_t kFillerMaxLength = 50;
inline constexpr std::size_t kTelephoneMaxLength = 50;
inline constexpr double kLowestUnionCode = 100000000000.0;

// The cover as the window holds it. Numeric boxes have already turned empty text into their
// empty value (level 10, state 0).
struct CoverFields {
    std::string code;  // c901 as typed: digits only
    std::string unionName;
    std::int64_t region = 0;
    int level = 0;
    int state = 0;
    std::string filler;
    std::string telephone;
};

// The lookups the rules need; the window answers them from the database and its code lists.
class CoverLookup {
  public:
    virtual ~CoverLookup() = default;
    virtual std::string RegionName(std::int64_t code) const = 0;  // empty when unknown
    virtual std::string LevelName(int code) const = 0;            // empty when unknown
    virtual std::string StateName(int code) const = 0;            // empty when unknown
    virtual bool CodeIsStored(double code) const = 0;
};

struct CoverFailure {
    std::string field;  // the control to focus
    std::string message;
    bool duplicate = false;  // the window also disables hold and save and shows the cover

    bool operator==(const CoverFailure&) const = default;
};

// Characters, not bytes, of UTF-8 text; and the text cut to at most `count` characters.
std::size_t Utf8Length(std::string_view text);
std::string Utf8Left(std::string_view text, std::size_t count);
std::string TrimBlanks(std::string_view text);

bool HasLatinOrDigit(std::string_view text);
// 7, 8, 11 or 12 characters without a hyphen; 11 to 13 with one. Only the length counts.
bool TelephoneLengthValid(std::string_view telephone);

// The whole cover, first failing rule only. `loadedCode` is the code last read or written (0 for
// a record not yet written): keeping one's own code is never a duplicate.
std::optional<CoverFailure> ValidateCover(const CoverFields& cover, double loadedCode, bool adding,
                                          const CoverLookup& lookup);

// The messages of leaving c901, c902, c905 and c906; nullopt when the field is acceptable.
std::optional<std::string> CodeExitMessage(std::string_view code);
std::optional<std::string> UnionNameExitMessage(std::string_view name);
std::optional<std::string> FillerExitMessage(std::string_view filler);
std::optional<std::string> TelephoneExitMessage(std::string_view telephone);

inline constexpr const char* kBadRegionMessage =
    "输入的行政区划代码错误，请重新输入，或用对话框选择";
inline constexpr const char* kBadLevelMessage =
    "输入的本级工会层次代码不合法，请重新输入或通过列表选择";
inline constexpr const char* kBadStateExitMessage =
    "输入的填报状态代码不合法，请重新输入或通过列表选择";

}  // namespace tallwick::entry
