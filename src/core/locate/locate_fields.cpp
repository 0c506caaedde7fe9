#include "locate/locate_fields.h"

#include "common/ascii.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace tallwick::locate {
namespace {

using check::RecordValues;

constexpr std::string_view kFamilyOrder = "czxbfljswngdy";

// Questionnaire order: the family's place, then the number.
bool BeforeInForm(const LocateField& a, const LocateField& b) {
    const auto familyA = kFamilyOrder.find(a.name[0]);
    const auto familyB = kFamilyOrder.find(b.name[0]);
    if (familyA != familyB) return familyA < familyB;
    return a.name < b.name;
}

std::array<LocateField, kLocateFieldCount> BuildFields() {
    std::array<LocateField, kLocateFieldCount> fields;
    std::size_t next = 0;
#define TALLWICK_LOCATE_REAL(name) fields[next++] = {#name, true, &RecordValues::name, nullptr};
#define TALLWICK_LOCATE_INTEGER(name) fields[next++] = {#name, false, nullptr, &RecordValues::name};
    TALLWICK_REAL_FIELDS(TALLWICK_LOCATE_REAL)
    TALLWICK_INTEGER_FIELDS(TALLWICK_LOCATE_INTEGER)
#undef TALLWICK_LOCATE_REAL
#undef TALLWICK_LOCATE_INTEGER
    std::stable_sort(fields.begin(), fields.end(), BeforeInForm);
    return fields;
}

const std::array<LocateField, kLocateFieldCount>& Fields() {
    static const auto fields = BuildFields();
    return fields;
}

}  // namespace

std::span<const LocateField> LocateFields() {
    return Fields();
}

int LocateFieldIndex(std::string_view name) {
    const std::string lower = AsciiLower(std::string(name));
    const auto& fields = Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == lower) return static_cast<int>(i);
    }
    return -1;
}

bool IsCoverField(int index) {
    return Fields()[static_cast<std::size_t>(index)].name[0] == 'c';
}

int EntryPageOf(int index) {
    const std::string_view name = Fields()[static_cast<std::size_t>(index)].name;
    const int number = (name[1] - '0') * 100 + (name[2] - '0') * 10 + (name[3] - '0');
    switch (name[0]) {
        case 'z':
            return 1;
        case 'x':
            return 2;
        case 'b':
            return number <= 36 ? 3 : 4;
        case 'f':
            return 5;
        case 'l':
            return 6;
        case 'j':
            return 7;
        case 's':
            return 8;
        case 'w':
            return 9;
        case 'n':
        case 'g':
            return 10;
        case 'd':
            return number <= 31 ? 11 : 12;
        case 'y':
            return 13;
        default:
            return 0;
    }
}

double FieldValue(const RecordValues& values, int index) {
    const LocateField& field = Fields()[static_cast<std::size_t>(index)];
    if (field.real) return values.*field.realMember;
    return static_cast<double>(values.*field.integerMember);
}

void SetFieldValue(RecordValues& values, int index, double value) {
    const LocateField& field = Fields()[static_cast<std::size_t>(index)];
    if (field.real) {
        values.*field.realMember = value;
    } else {
        values.*field.integerMember = static_cast<check::WideInt>(std::llround(value));
    }
}

}  // namespace tallwick::locate
