#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tallwick::check {

// Which stored records a check run visits. Records whose reporting state c907 is above 2 never
// take part.
struct CheckScope {
    enum class Kind { All, One, Selection, Range };
    Kind kind = Kind::All;
    std::vector<double> codes;  // One: a single code; Selection: the codes in list order
    double low = 0;             // Range bounds, both inclusive
    double high = 0;

    static CheckScope All() { return {}; }
    static CheckScope One(double code) { return {Kind::One, {code}, 0, 0}; }
    static CheckScope Selection(std::vector<double> codesInListOrder) {
        return {Kind::Selection, std::move(codesInListOrder), 0, 0};
    }
    static CheckScope Range(double lowCode, double highCode) {
        return {Kind::Range, {}, lowCode, highCode};
    }
};

// The record set of every run: all columns of dt_data and the twelve y-columns.
inline constexpr const char* kCheckSelectHead =
    "select dt_data.*,dt_data1.y001,dt_data1.y002,dt_data1.y003,dt_data1.y004,dt_data1.y005,"
    "dt_data1.y006,dt_data1.y007,dt_data1.y008,dt_data1.y009,dt_data1.y010,dt_data1.y011,"
    "dt_data1.y012 from dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901";

// The condition appended to the head, e.g. " where c907<=2".
std::string CheckCondition(const CheckScope& scope);

// The range the user typed into the two code boxes (see ParseCodeRange); a missing bound is
// refused with "请输入逻辑检查的范围".
struct RangeEntry {
    CheckScope scope;
    std::string highText;
};
RangeEntry ParseRangeEntry(std::string_view lowText, std::string_view highText);

inline constexpr const char* kRangeMissing = "请输入逻辑检查的范围";

}  // namespace tallwick::check
