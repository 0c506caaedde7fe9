#pragma once

// The fields that the compiled rules read, addressed by a small index so that repair models and
// rule formulas need no names at run time.

#include "check/compiled_rules.h"

#include <span>
#include <string_view>

namespace tallwick::locate {

struct LocateField {
    std::string_view name;
    bool real = false;  // read as a floating-point number by the compiled rules
    double check::RecordValues::*realMember = nullptr;
    check::WideInt check::RecordValues::*integerMember = nullptr;
};

// The 244 fields in questionnaire order: c901, c904, then z, x, b, f, l, j, s, w, n, g, d, y.
std::span<const LocateField> LocateFields();
inline constexpr int kLocateFieldCount = 244;

// -1 when the compiled rules read no field of that name; names match without regard to case.
int LocateFieldIndex(std::string_view name);

// A cover field: never changed by a repair.
bool IsCoverField(int index);

// The entry window page that holds the field: 0 the cover, 1 表1 ... 13 附表2.
int EntryPageOf(int index);

double FieldValue(const check::RecordValues& values, int index);
// Whole-number fields take the value rounded to the nearest integer.
void SetFieldValue(check::RecordValues& values, int index, double value);

}  // namespace tallwick::locate
