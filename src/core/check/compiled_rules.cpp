#include "check/compiled_rules.h"

#include "check/message_parse.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace tallwick::check {

RecordColumns::RecordColumns(const SQLite::Statement& statement) {
#define TALLWICK_FIND_REAL(name) \
    reals_.emplace_back(statement.getColumnIndex(#name), &RecordValues::name);
#define TALLWICK_FIND_INTEGER(name) \
    integers_.emplace_back(statement.getColumnIndex(#name), &RecordValues::name);
    TALLWICK_REAL_FIELDS(TALLWICK_FIND_REAL)
    TALLWICK_INTEGER_FIELDS(TALLWICK_FIND_INTEGER)
#undef TALLWICK_FIND_REAL
#undef TALLWICK_FIND_INTEGER
}

RecordValues RecordColumns::Read(const SQLite::Statement& statement) const {
    // SQLite reads NULL as 0 and converts whatever type a value was stored with.
    RecordValues values;
    for (const auto& [index, member] : reals_) {
        values.*member = statement.getColumn(index).getDouble();
    }
    for (const auto& [index, member] : integers_) {
        values.*member = statement.getColumn(index).getInt64();
    }
    return values;
}

RecordValues RecordColumns::Read(const RowSnapshot& row) const {
    RecordValues values;
    for (const auto& [index, member] : reals_) values.*member = row.At(index).real;
    for (const auto& [index, member] : integers_) values.*member = row.At(index).integer;
    return values;
}

namespace {

using R = RecordValues;

// Where an integer field meets an amount, the comparison is made in floating point.
double Real(WideInt value) {
    return static_cast<double>(value);
}

// The sign of a * b * c, whose value may not fit even 128 bits.
int ProductSign(WideInt a, WideInt b, WideInt c) {
    if (a == 0 || b == 0 || c == 0) return 0;
    return ((a < 0) != (b < 0)) != (c < 0) ? -1 : 1;
}

// clang-format off
constexpr std::array<CompiledCheck, CompiledRuleSet::kRuleCount> kChecks{{
    // Page 1 (表1)
    {1, [](const R& r) { return r.z002 > r.z001; }, "z002<=z001", "z002[<=]z001", "z002"},
    {2, [](const R& r) { return r.z003 + r.z004 + r.z005 + r.z006 != r.z001; }, "z003+z004+z005+z006=z001", "z003、z004、z005、z006的和[=]z001", "z001"},
    {3, [](const R& r) { return r.z001 + r.z007 <= 0; }, "z001+z007>0", "z001、z007的和[>]0", "z001"},
    {4, [](const R& r) { return r.z008 > r.z007; }, "z008<=z007", "z008[<=]z007", "z008"},
    {5, [](const R& r) { return r.z011 > r.z001; }, "z011<=z001", "z011[<=]z001", "z011"},
    {6, [](const R& r) { return r.z009 == 1 && (r.z011 + r.z012 <= 0 || r.z011 + r.z012 > r.z001 + r.z007); }, "(z009 = 1 and z011 + z012 > 0 and z011 + z012<= z001 + z007) or (z009 <> 1 and z011 + z012=0)", "如果z009，那么z011+z012[>]0并且z011+z012[<=]z001+z007", "z009"},
    {7, [](const R& r) { return r.z009 != 1 && r.z011 + r.z012 > 0; }, "(z009 = 1 and z011 + z012 > 0 and z011 + z012<= z001 + z007) or (z009 <> 1 and z011 + z012=0)", "如果不是z009，那么z011+z012[=]0", "z009"},
    {8, [](const R& r) { return r.z013 + r.z014 != 0 && (r.z009 != 1 || r.z013 * r.z014 == 0 || r.z014 <= r.z013); }, "(z013 + z014 = 0) or (z009 = 1 and z013 * z014 > 0 and z014 > z013)", "如果z009，则z013、z014必须大于0，并且z014>z013；如果不是z009，那么z013、z014[=]0", "z013"},
    {9, [](const R& r) { return (r.z009 == 1 && r.z010 > 3) || (r.z009 != 1 && r.z010 != 0); }, "(z009=1 and z010<=3) or (z009<>1 and z010=0)", "如果z009[=]1，那么z010[<=]3；如果不是z009，那么z010[=]0", "z010"},
    {10, [](const R& r) { return r.z016 + r.z017 + r.z018 != 0 && (ProductSign(r.z016, r.z017, r.z018) <= 0 || r.z017 <= r.z016 || r.z018 <= r.z017); }, "(z016+z017+z018=0) or (z016*z017*z018>0 and z017>z016 and z018>z017)", "z016、z017、z018都为0，或者都大于0并且z017[>]z016且z018[>]z017", "z016"},

    // Page 2 (表2)
    {11, [](const R& r) { return r.c904 < 4 && r.x001 <= 0; }, "(c904<4 and x001>0)or c904 >3", "如果c904<4，那么x001[>]0", "x001"},
    {12, [](const R& r) { return r.x001 == 0 && r.x003 > 0; }, "(x001*x003>0 and x003<=x001) or x001+x003=0", "如果x001=0，那么x003[=]0", "x003"},
    {13, [](const R& r) { return r.x001 > 0 && (r.x003 <= 0 || r.x003 > r.x001); }, "(x001*x003>0 and x003<=x001) or x001+x003=0", "如果x001>0，那么x003[<=]x001", "x003"},
    {14, [](const R& r) { return r.x010 > r.x009; }, "x010<=x009", "x010[<=]x009", "x010"},
    {15, [](const R& r) { return r.x008 > r.x003; }, "x008<=x003", "x008[<=]x003", "x008"},
    {16, [](const R& r) { return r.x009 > r.x003; }, "x009<=x003", "x009[<=]x003", "x009"},
    {17, [](const R& r) { return r.x018 > r.x017; }, "x018<=x017", "x018[<=]x017", "x018"},
    {18, [](const R& r) { return (r.x004 == 1) + (r.x005 == 1) + (r.x006 == 1) + (r.x007 == 1) >= 2; }, "(x004<>1 and x005<>1 and x006<>1 and x007<>1) or (x004=1 and x005<>1 and x006<>1 and x007<>1) or  (x004<>1 and x005=1 and x006<>1 and x007<>1) or (x004<>1 and x005<>1 and x006=1 and x007<>1) or (x004<>1 and x005<>1 and x006<>1 and x007=1)", "x004、x005、x006、x007只能一个为1", "x004"},
    {19, [](const R& r) { return r.x002 > r.x001; }, "x002<=x001", "x002[<=]x001", "x002"},
    {20, [](const R& r) { return r.x011 > r.x003; }, "x011<=x003", "x011[<=]x003", "x011"},
    {21, [](const R& r) { return r.x012 > r.x011; }, "x012<=x011", "x012[<=]x011", "x012"},
    {22, [](const R& r) { return r.x002 > r.z002 + r.z008; }, "x002<=z002+z008", "x002[<=]z002+z008", "x002"},
    {23, [](const R& r) { return r.x001 > r.z001 + r.z007; }, "x001<=z001+z007", "x001[<=]z001+z007", "x001"},

    // Page 3 (表3)
    {24, [](const R& r) { return r.b008 == 0 && r.b009 != 0; }, "(b008>0) or (b008=0 and b009=0)", "如果b008=0,那么b009[=]0", "b009"},
    {25, [](const R& r) { return (r.b001 == 0 && r.b002 > 0) || (r.b001 > 0 && r.b002 == 0); }, "(b001+b002=0) or (b001*b002>0)", "b001和b002要么都为0，要么都大于0", "b002"},
    {26, [](const R& r) { return r.b005 > r.b004; }, "b005<=b004", "b005[<=]b004", "b005"},
    {27, [](const R& r) { return r.b006 > r.b004; }, "b006<=b004", "b006[<=]b004", "b006"},
    {28, [](const R& r) { return r.b007 > r.b006; }, "b007<=b006", "b007[<=]b006", "b007"},
    {29, [](const R& r) { return r.b003 == 0 && r.b004 != 0; }, "(b003>0) or (b003=0 and b004=0)", "如果b003=0,那么b004[=]0", "b004"},
    {30, [](const R& r) { return (r.b028 == 0 && r.b029 > 0) || (r.b028 > 0 && r.b029 == 0); }, "(b028+b029=0) or (b028*b029>0)", "b028和b029要么都为0，要么都大于0", "b028"},
    {31, [](const R& r) { return r.b030 == 1 && r.b031 <= 0; }, "(b030 = 1 and b031 > 0) or (b030 <> 1 and b031= 0)", "如果b030，那么b031[>]0", "b031"},
    {32, [](const R& r) { return r.b010 > r.b009; }, "b010<=b009", "b010[<=]b009", "b010"},
    {33, [](const R& r) { return r.b011 > r.b009; }, "b011<=b009", "b011[<=]b009", "b011"},
    {34, [](const R& r) { return r.b012 > r.b011; }, "b012<=b011", "b012[<=]b011", "b012"},
    {35, [](const R& r) { return r.b014 == 0 && r.b015 != 0; }, "(b014+b015=0) or b014>0", "如果b014=0,那么b015[=]0", "b015"},
    {36, [](const R& r) { return r.b030 != 1 && r.b031 != 0; }, "(b030 = 1 and b031 > 0) or (b030 <> 1 and b031= 0)", "如果不是b030，那么b031[=]0", "b031"},
    {37, [](const R& r) { return r.b032 > r.b031; }, "b032<=b031", "b032[<=]b031", "b032"},
    {38, [](const R& r) { return (r.b017 == 0 && r.b018 > 0) || (r.b017 > 0 && r.b018 <= Real(r.b017)); }, "(b017+b018=0) or (b017*b018>0 and b018>b017)", "b017和b018要么都为0，要么都大于0", "b018"},
    {39, [](const R& r) { return (r.b019 == 0 && r.b020 > 0) || (r.b019 > 0 && r.b020 <= Real(r.b019)); }, "(b019+b020=0) or (b019*b020>0 and b020>b019)", "b019和b020要么都为0，要么都大于0", "b020"},
    {40, [](const R& r) { return r.b021 == 0 && r.b022 + r.b023 != 0; }, "(b021+b022+b023=0) or (b021>0 and b022+b023>b021)", "如果b021=0，那么b022[=]0,b023[=]0；如果b021>0，那么b022+b023[>]b021", "b021"},
    {41, [](const R& r) { return r.b021 > 0 && r.b022 + r.b023 <= r.b021; }, "(b021+b022+b023=0) or (b021>0 and b022+b023>b021)", "如果b021=0，那么b022[=]0,b023[=]0；如果b021>0，那么b022+b023[>]b021", "b021"},
    {42, [](const R& r) { return r.b024 > r.b017 + r.b022; }, "b024<=b017+b022", "b024[<=]b017+b022", "b024"},
    {43, [](const R& r) { return r.b025 > r.b019 + r.b023; }, "b025<=b019+b023", "b025[<=]b019+b023", "b025"},
    {44, [](const R& r) { return r.b013 > r.b027; }, "b013<=b027", "b013[<=]b027", "b027"},
    {45, [](const R& r) { return (r.b032 == 0 && r.b033 > 0) || (r.b032 > 0 && r.b033 <= Real(r.b032)); }, "(b032+b033=0)or(b032*b033>0 and b033>b032)", "b032和b033要么都为0，要么都大于0", "b032"},
    {46, [](const R& r) { return r.b013 > r.b011; }, "b013<=b011", "b013[<=]b011", "b011"},

    // Page 4 (表3续)
    {47, [](const R& r) { return !(r.b043 == 1 && r.b044 != 0 && r.b045 != 0) && !(r.b043 != 1 && r.b044 == 0 && r.b045 == 0 && r.b046 == 0); }, "(b043=1 and b044<>0 and b045<>0) or ( b043<>1 and b044=0  and b045=0 and b046=0)", "如果是b043，那么b044、b045必须大于0；如果不是b043，那么b044、b045、b046必须是0", "b043"},
    {48, [](const R& r) { return r.b044 > 4; }, "b044<=4", "b044[<=]4", "b044"},
    {49, [](const R& r) { return r.b045 > 4; }, "b045<=4", "b045[<=]4", "b045"},
    {50, [](const R& r) { return r.b037 + r.b038 + r.b039 != 0 && ProductSign(r.b037, r.b038, r.b039) == 0; }, "(b037+b038+b039=0) or ((b037>0 and b038>0 and b039>0) and b038>b037 and b039>b038)", "(b037+b038+b039[=]0) or ((b037[>]0 and b038[>]0 and b039[>]0) and b038[>]b037 and b039[>]b038)", "b037"},
    {51, [](const R& r) { return r.b040 + r.b041 + r.b042 != 0 && ProductSign(r.b040, r.b041, r.b042) == 0; }, "(b040+b041+b042=0) or ((b040>0 and b041>0 and b042>0) and b041>b040 and b042>b041)", "(b040+b041+b042[=]0) or ((b040[>]0 and b041[>]0 and b042[>]0) and b041[>]b040 and b042[>]b041)", "b040"},
    {52, [](const R& r) { return ProductSign(r.b037, r.b038, r.b039) > 0 && (r.b038 <= r.b037 || r.b039 <= r.b038); }, "(b037+b038+b039=0) or ((b037>0 and b038>0 and b039>0) and b038>b037 and b039>b038)", "(b037+b038+b039[=]0) or ((b037[>]0 and b038[>]0 and b039[>]0) and b038[>]b037 and b039[>]b038)", "b037"},
    {53, [](const R& r) { return ProductSign(r.b040, r.b041, r.b042) > 0 && (r.b041 <= r.b040 || r.b042 <= r.b041); }, "(b040+b041+b042=0) or ((b040>0 and b041>0 and b042>0) and b041>b040 and b042>b041)", "(b040+b041+b042[=]0) or ((b040[>]0 and b041[>]0 and b042[>]0) and b041[>]b040 and b042[>]b041)", "b040"},

    // Page 5 (表4)
    {54, [](const R& r) { return r.f003 != 1 && r.f004 != 0; }, "f003 = 1 or (f003 <> 1 and f004 = 0)", "如果不是f003，那么f004[=]0", "f004"},
    {55, [](const R& r) { return r.f011 + r.f012 > r.f010; }, "f011 + f012 <= f010", "f011与f012的和[<=]f010", "f010"},
    {56, [](const R& r) { return r.f008 == 1 && r.f009 <= 0; }, "(f008 = 1 and f009 > 0) or (f008 <> 1 and f009 = 0 and f010 = 0)", "如果f008，那么f009[>]0", "f008"},
    {57, [](const R& r) { return r.f008 != 1 && (r.f009 != 0 || r.f010 != 0); }, "(f008 = 1 and f009 > 0) or (f008 <> 1 and f009 = 0 and f010 = 0)", "如果不是f008，那么f009[=]0，并且f010[=]0", "f008"},
    {58, [](const R& r) { return r.f017 != 1 && r.f019 != 0; }, "(f017 = 1) or (f017 <> 1 and f019 = 0)", "如果不是f017，那么f019[=]0", "f019"},
    {59, [](const R& r) { return r.f005 > r.f004; }, "f005 <= f004", "f005[<=]f004", "f005"},
    {60, [](const R& r) { return r.f016 > r.f015; }, "f016<=f015", "f016[<=]f015", "f016"},
    {61, [](const R& r) { return r.f015 > r.z001 + r.z007; }, "f015<=z001+z007", "f015[<=]z001+z007", "f015"},
    {62, [](const R& r) { return r.f014 > r.z001 + r.z007; }, "f014<=z001+z007", "f014[<=]z001+z007", "f014"},
    {63, [](const R& r) { return (r.f019 == 0 && r.f020 > 0) || (r.f019 > 0 && r.f020 < r.f019); }, "(f019+f020=0) or (f019*f020>0 and f020>=f019)", "如果f019=0，那么f020[=]0；如果f019>0，那么f020[>=]f019", "f020"},
    {64, [](const R& r) { return r.f006 > r.z001 + r.z007; }, "f006<=z001+z007", "f006[<=]z001+z007", "f006"},

    // Page 6 (表5)
    {65, [](const R& r) { return r.l001 != 1 && r.l002 != 0; }, "(l001 = 1 and l002>0) or (l001 <> 1 and l002 = 0)", "如果l001不等于1，那么l002必须等于0", "l002"},
    {66, [](const R& r) { return r.l001 != 1 && r.l003 != 0; }, "(l001 = 1) or (l001 <> 1 and l003 = 0)", "如果不是l001，那么l003[=]0", "l003"},
    {67, [](const R& r) { return r.l004 == 0 && r.l006 != 0; }, "(l004 + l006 = 0) or l004 > 0", "如果l004=0，那么l006[=]0", "l006"},
    {68, [](const R& r) { return r.l007 > r.l006; }, "l007<=l006", "l007[<=]l006", "l007"},
    {69, [](const R& r) { return r.l005 > r.l004; }, "l005<=l004", "l005[<=]l004", "l005"},
    {70, [](const R& r) { return r.l001 == 1 && r.l002 <= 0; }, "(l001 = 1 and l002>0) or (l001 <> 1 and l002 = 0)", "如果l001等于1，那么l002必须大于0", "l002"},

    // Page 7 (表6)
    {71, [](const R& r) { return r.j014 > r.j012; }, "j014 <= j012", "j014[<=]j012", "j014"},
    {72, [](const R& r) { return (r.j023 == 0 && r.j024 > 0) || (r.j023 > 0 && r.j024 <= Real(r.j023)); }, "(j023+j024=0) or (j023*j024>0 and j024>j023)", "如果j023=0，那么j024[=]0；如果j023>0，那么j024[>]j023", "j024"},
    {73, [](const R& r) { return r.j013 > r.j011; }, "j013<=j011", "j013[<=]j011", "j013"},
    {74, [](const R& r) { return r.j014 > r.j013; }, "j014<=j013", "j014[<=]j013", "j014"},
    {75, [](const R& r) { return r.j019 > r.j018; }, "j019<=j018", "j019[<=]j018", "j019"},
    {76, [](const R& r) { return r.j017 > r.j016; }, "j017<=j016", "j017[<=]j016", "j017"},
    {77, [](const R& r) { return r.j019 > r.j017; }, "j019<=j017", "j019[<=]j017", "j019"},
    {78, [](const R& r) { return r.j023 > r.j022; }, "j023<=j022", "j023[<=]j022", "j023"},
    {79, [](const R& r) { return (r.j015 == 0 && (r.j016 > 0 || r.j018 > 0)) || (r.j015 > 0 && (r.j016 <= r.j015 || r.j018 > r.j016)); }, "(j015+j016+j018=0) or (j015*j016>0 and j016>j015 and j018<=j016)", "j015、j016、j018都为0，或者j015、j016大于0并且j016[>]j015,j018[<=]j016", "j015"},
    {80, [](const R& r) { return r.j020 != 1 && r.j021 == 1; }, "(j020= 1) or (j020 <> 1 and j021 <> 1)", "如果不是j020，那么j021[<>]1", "j021"},
    {81, [](const R& r) { return r.j012 > r.j011; }, "j012 <= j011", "j012[<=]j011", "j012"},
    {82, [](const R& r) { return r.j021 != 1 && r.j022 != 0; }, "(j021=1) or (j021<>1 and j022=0)", "如果不是j021，那么j022[=]0", "j022"},

    // Page 8 (表7)
    {83, [](const R& r) { return r.s013 * r.s014 > 0 && r.s014 <= r.s013; }, "(s013+s014=0 ) or (s013*s014>0 and s014>s013)", "(s013+s014[=]0 ) or (s013*s014[>]0 and s014[>]s013)", "s013"},
    {84, [](const R& r) { return r.s005 != 1 && (r.s015 + r.s016 + r.s017 + r.s018 + r.s022 != 0 || r.s019 == 1 || r.s020 == 1 || r.s021 == 1); }, "(s005 = 1) or (s005 <> 1 and s015+s016+s017+s018+s022=0 and s019 <> 1 and  s020 <> 1 and  s021 <> 1)", "如果不是s005，那么s015+s016+s017+s018+s022[=]0，并且s019、s020、s021都不为1", "s005"},
    {85, [](const R& r) { return r.s005 != 1 && (r.s006 == 1 || r.s007 == 1 || r.s008 == 1); }, "(s005 = 1) or (s005 <> 1 and s006 <> 1 and s007 <> 1 and s008 <> 1)", "如果不是s005，那么也必须不是s006，s007，s008", "s005"},
    {86, [](const R& r) { return r.s009 > r.z001; }, "s009<=z001", "s009[<=]z001", "s009"},
    {87, [](const R& r) { return r.s008 == 1 && (r.s009 + r.s011 <= 0 || r.s009 + r.s011 >= r.z001 + r.z007); }, "(s008 = 1 and s009 + s011 > 0 and s009 + s011 < z001 + z007) or (s008 <> 1 and s009+s011 = 0)", "如果s008，那么s009+s011[>]0并且s009+s011[<]z001+z007", "s008"},
    {88, [](const R& r) { return r.s008 != 1 && r.s009 + r.s011 != 0; }, "(s008 = 1 and s009 + s011 > 0 and s009 + s011 < z001 + z007) or (s008 <> 1 and s009+s011 = 0)", "如果不是s008，那么s009+s011=0", "s008"},
    {89, [](const R& r) { return r.s010 > r.s009; }, "s010<=s009", "s010[<=]s009", "s010"},
    {90, [](const R& r) { return r.s012 > r.s011; }, "s012<=s011", "s012[<=]s011", "s012"},
    {91, [](const R& r) { return r.s013 + r.s014 != 0 && r.s013 * r.s014 == 0; }, "(s013+s014=0 ) or (s013*s014>0 and s014>s013)", "(s013+s014[=]0 ) or (s013*s014[>]0 and s014[>]s013)", "s013"},

    // Page 9 (表8)
    {92, [](const R& r) { return r.w008 > r.w006; }, "w008 <= w006", "w008[<=]w006", "w008"},
    {93, [](const R& r) { return r.w009 > r.w006; }, "w009 <= w006", "w009[<=]w006", "w009"},
    {94, [](const R& r) { return r.w010 > r.w006; }, "w010 <= w006", "w010[<=]w006", "w010"},
    {95, [](const R& r) { return r.w011 > r.w006; }, "w011 <= w006", "w011[<=]w006", "w011"},
    {96, [](const R& r) { return r.w004 == 0 && r.w005 != 0; }, "(w004 + w005 = 0) or (w004 * w005 >0  and w005 > w004)", "如果w004=0，那么w005[=]0", "w005"},
    {97, [](const R& r) { return r.w004 > 0 && r.w005 <= r.w004; }, "(w004 + w005 = 0) or (w004 * w005 >0  and w005 > w004)", "如果w004>0，那么w005[>]w004", "w005"},
    {98, [](const R& r) { return r.w007 > r.w006; }, "w007 <= w006", "w007[<=]w006", "w007"},

    // Page 10 (表9&&表10)
    {99, [](const R& r) { return r.n001 + r.n002 > r.z001 + r.z007; }, "(n001+n002)<=z001+z007", "(n001+n002)[<=]z001+z007", "n001"},
    {100, [](const R& r) { return r.g001 == 0 && r.g002 != 0; }, "(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)", "如果g001=0，那么g002[=]0", "g002"},
    {101, [](const R& r) { return r.g001 > 0 && r.g002 <= r.g001; }, "(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)", "如果g001>0，那么g002[>]g001", "g002"},
    {102, [](const R& r) { return r.g003 == 0 && r.g004 != 0; }, "(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)", "如果g003=0，那么g004[=]0", "g004"},
    {103, [](const R& r) { return r.g003 > 0 && r.g004 <= r.g003; }, "(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)", "如果g003>0，那么g004[>]g003", "g004"},

    // Page 11 (附表1)
    {104, [](const R& r) { return r.d003 > r.d001; }, "d003<=d001", "d003[<=]d001", "d003"},
    {105, [](const R& r) { return r.d009 > r.d008; }, "d009<=d008", "d009[<=]d008", "d009"},
    {106, [](const R& r) { return r.d011 > r.d010; }, "d011<=d010", "d011[<=]d010", "d011"},
    {107, [](const R& r) { return r.d007 + r.d008 + r.d010 > r.d005 + r.d006; }, "d007+d008+d010<=d005+d006", "d007+d008+d010[<=]d005+d006", "d007"},
    {108, [](const R& r) { return r.d012 > r.d005 + r.d006; }, "d012<=d005+d006", "d012[<=]d005+d006", "d012"},
    {109, [](const R& r) { return r.d012 > r.z001 + r.z007; }, "d012<=z001+z007", "d012[<=]z001+z007", "d012"},
    {110, [](const R& r) { return r.d013 > r.d012; }, "d013<=d012", "d013[<=]d012", "d013"},
    {111, [](const R& r) { return r.c904 <= 3 && r.x001 + r.d009 + r.d011 > r.d012; }, "(c904<=3 and x001+d009+d011<=d012) or (c904>3)", "如果c904<=3，x001+d009+d011[<=]d012", "d012"},
    {112, [](const R& r) { return r.d013 > r.z002 + r.z008; }, "d013<=z002+z008", "d013[<=]z002+z008", "d013"},
    {113, [](const R& r) { return r.d014 + r.d015 + r.d016 + r.d017 + r.d018 + r.d019 != r.d012; }, "d014+d015+d016+d017+d018+d019=d012", "d014+d015+d016+d017+d018+d019[=]d012", "d012"},
    {114, [](const R& r) { return r.d020 + r.d021 + r.d022 > r.d012 + r.d029; }, "d020+d021+d022<=d012+d029", "d020+d021+d022[<=]d012+d029", "d020"},
    {115, [](const R& r) { return r.d024 + r.d025 + r.d026 + r.d027 + r.d028 != r.d012; }, "d024+d025+d026+d027+d028=d012", "d024+d025+d026+d027+d028[=]d012", "d024"},
    {116, [](const R& r) { return r.d030 + r.d031 > r.d029; }, "d030+d031<=d029", "d030+d031[<=]d029", "d029"},
    {117, [](const R& r) { return r.d023 > 65; }, "d023<=65", "d023[<=]65", "d023"},
    {118, [](const R& r) { return r.c904 <= 3 && r.d023 < 20; }, "(c904<=3 and d023>=20) or (c904>3)", "如果c904<=3，d023[>=]20", "d023"},

    // Page 12 (附表1续)
    {119, [](const R& r) { return r.c904 <= 3 && r.d032 + r.d037 + 1 > r.d007; }, "(c904<=3 and d032+d037+1<=d007) or (c904>3)", "如果c904<=3，d032+d037+1[<=]d007", "d032"},
    {120, [](const R& r) { return r.d033 + r.d034 + r.d035 + r.d038 > r.x001; }, "d033+d034+d035+d038<=x001", "d033+d034+d035+d038[<=]x001", "d033"},
    {121, [](const R& r) { return r.d039 > r.d014; }, "d039<=d014", "d039[<=]d014", "d039"},
    {122, [](const R& r) { return r.d040 > r.d015; }, "d040<=d015", "d040[<=]d015", "d040"},
    {123, [](const R& r) { return r.d041 > r.d016 + r.d034 + r.d035; }, "d041<=d016+d034+d035", "d041[<=]d016+d034+d035", "d041"},
    {124, [](const R& r) { return r.d042 > r.d017 + r.d034 + r.d035; }, "d042<=d017+d034+d035", "d042[<=]d017+d034+d035", "d042"},
    {125, [](const R& r) { return r.d043 > r.d018 + r.d034 + r.d035; }, "d043<=d018+d034+d035", "d043[<=]d018+d034+d035", "d043"},
    {126, [](const R& r) { return r.d044 > r.d019 + r.d034 + r.d035; }, "d044<=d019+d034+d035", "d044[<=]d019+d034+d035", "d044"},
    {127, [](const R& r) { return r.c904 <= 3 && r.d039 + r.d040 + r.d041 + r.d042 + r.d043 + r.d044 != r.x001; }, "(c904<=3 and d039+d040+d041+d042+d043+d044=x001) or (c904>3)", "如果c904<=3，d039+d040+d041+d042+d043+d044[=]x001", "d039"},
    {128, [](const R& r) { return r.c904 <= 3 && r.d046 + r.d047 + r.d048 + r.d049 != r.x001; }, "(c904<=3 and d046+d047+d048+d049=x001) or (c904>3)", "如果c904<=3，d046+d047+d048+d049[=]x001", "d046"},
    {129, [](const R& r) { return r.c904 <= 3 && r.d050 + r.d051 + r.d052 != r.x001; }, "(c904<=3 and d050+d051+d052=x001) or (c904>3)", "如果c904<=3，d050+d051+d052[=]x001", "d050"},
    {130, [](const R& r) { return r.d054 > r.x001 + r.d053; }, "d054<=x001+d053", "d054[<=]x001+d053", "d054"},
    {131, [](const R& r) { return r.d053 > r.d029; }, "d053<=d029", "d053[<=]d029", "d053"},
    {132, [](const R& r) { return r.d054 > r.d020 + r.d021 + r.d022; }, "d054<=d020+d021+d022", "d054[<=]d020+d021+d022", "d054"},
    {133, [](const R& r) { return r.d045 > 65; }, "d045<=65", "d045[<=]65", "d045"},
    {134, [](const R& r) { return r.c904 <= 3 && r.d045 < 20; }, "(c904<=3 and d045>=20) or (c904>3)", "如果c904<=3，d045[>=]20", "d045"},
    {135, [](const R& r) { return r.d033 + r.d034 + r.d035 > r.x003; }, "d033+d034+d035<=x003", "d033+d034+d035[<=]x003", "d033"},

    // Page 13 (附表2)
    {136, [](const R& r) { return r.y005 > r.y004; }, "y005<=y004", "y005[<=]y004", "y005"},
    {137, [](const R& r) { return r.y007 > r.y006; }, "y007<=y006", "y007[<=]y006", "y007"},
    {138, [](const R& r) { return Real(r.y003) + r.y004 != 0 && Real(r.y003) * r.y004 <= 0; }, "(y003+y004=0) or (y003*y004>0)", "(y003+y004[=]0) or (y003*y004[>]0)", "y004"},
    {139, [](const R& r) { return Real(r.y008) + Real(r.y009) + r.y010 + Real(r.y011) + Real(r.y012) != 0 && (r.y008 <= 0 || r.y009 <= 0 || r.y010 <= 0 || r.y012 > r.y009); }, "(y008+y009+y010+y011+y012=0) or (y008>0 and y009>0 and y010>0 and y012<=y009)", "(y008+y009+y010+y011+y012[=]0) or (y008[>]0 and y009[>]0 and y010[>]0 and y012[<=]y009)", "y012"},
}};
// clang-format on

// The number of the first rule on each page; pages are numbered from 1.
constexpr std::array kFirstRuleOfPage{1, 11, 24, 47, 54, 65, 71, 83, 92, 99, 104, 119, 136};

}  // namespace

CompiledRuleSet::CompiledRuleSet(const FieldHints& hints) {
    errors_.reserve(kChecks.size());
    for (const CompiledCheck& check : kChecks) {
        errors_.push_back(LogicError{std::string(check.rule), Parse(check.messageTemplate, hints),
                                     PageOf(check.number), std::string(check.focus)});
    }
}

bool CompiledRuleSet::CheckRecord(const RecordValues& values,
                                  const std::function<void(const LogicError&)>& onError) const {
    bool clean = true;
    for (std::size_t i = 0; i < kChecks.size(); ++i) {
        if (!kChecks[i].fails(values)) continue;
        clean = false;
        onError(errors_[i]);
    }
    return clean;
}

std::vector<int> CompiledRuleSet::FailingRules(const RecordValues& values) const {
    std::vector<int> numbers;
    for (const CompiledCheck& check : kChecks) {
        if (check.fails(values)) numbers.push_back(check.number);
    }
    return numbers;
}

std::span<const CompiledCheck> CompiledRuleSet::Checks() {
    return kChecks;
}

int CompiledRuleSet::PageOf(int ruleNumber) {
    const auto after =
        std::upper_bound(kFirstRuleOfPage.begin(), kFirstRuleOfPage.end(), ruleNumber);
    return static_cast<int>(std::distance(kFirstRuleOfPage.begin(), after));
}

}  // namespace tallwick::check
