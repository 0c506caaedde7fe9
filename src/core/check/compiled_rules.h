#pragma once

#include "check/field_hints.h"
#include "check/logic_error.h"
#include "check/row_snapshot.h"

#include <SQLiteCpp/Statement.h>

#include <functional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace tallwick::check {

// Survey integers are read into 128 bits: every sum of stored 64-bit values, and every product
// of two, is then exact.
__extension__ using WideInt = __int128;

// clang-format off
// The 244 columns that the compiled checks read. Amounts (and the unit code) are real numbers;
// every other field is an integer.
#define TALLWICK_REAL_FIELDS(X)                              \
    X(c901)                                                  \
    X(b016) X(b018) X(b020) X(b033)                          \
    X(j024)                                                  \
    X(y001) X(y002) X(y004) X(y005) X(y006) X(y007) X(y010)
#define TALLWICK_INTEGER_FIELDS(X)                                                   \
    X(c904)                                                                          \
    X(z001) X(z002) X(z003) X(z004) X(z005) X(z006) X(z007) X(z008) X(z009) X(z010)  \
    X(z011) X(z012) X(z013) X(z014) X(z015) X(z016) X(z017) X(z018)                  \
    X(x001) X(x002) X(x003) X(x004) X(x005) X(x006) X(x007) X(x008) X(x009) X(x010)  \
    X(x011) X(x012) X(x013) X(x014) X(x015) X(x016) X(x017) X(x018)                  \
    X(b001) X(b002) X(b003) X(b004) X(b005) X(b006) X(b007) X(b008) X(b009) X(b010)  \
    X(b011) X(b012) X(b013) X(b014) X(b015) X(b017) X(b019) X(b021) X(b022) X(b023)  \
    X(b024) X(b025) X(b026) X(b027) X(b028) X(b029) X(b030) X(b031) X(b032) X(b034)  \
    X(b035) X(b036) X(b037) X(b038) X(b039) X(b040) X(b041) X(b042) X(b043) X(b044)  \
    X(b045) X(b046)                                                                  \
    X(f001) X(f002) X(f003) X(f004) X(f005) X(f006) X(f007) X(f008) X(f009) X(f010)  \
    X(f011) X(f012) X(f013) X(f014) X(f015) X(f016) X(f017) X(f018) X(f019) X(f020)  \
    X(l001) X(l002) X(l003) X(l004) X(l005) X(l006) X(l007) X(l008)                  \
    X(j001) X(j002) X(j003) X(j004) X(j005) X(j006) X(j007) X(j008) X(j009) X(j010)  \
    X(j011) X(j012) X(j013) X(j014) X(j015) X(j016) X(j017) X(j018) X(j019) X(j020)  \
    X(j021) X(j022) X(j023)                                                          \
    X(s001) X(s002) X(s003) X(s004) X(s005) X(s006) X(s007) X(s008) X(s009) X(s010)  \
    X(s011) X(s012) X(s013) X(s014) X(s015) X(s016) X(s017) X(s018) X(s019) X(s020)  \
    X(s021) X(s022)                                                                  \
    X(w001) X(w002) X(w003) X(w004) X(w005) X(w006) X(w007) X(w008) X(w009) X(w010)  \
    X(w011)                                                                          \
    X(n001) X(n002) X(n003) X(n004)                                                  \
    X(g001) X(g002) X(g003) X(g004)                                                  \
    X(d001) X(d002) X(d003) X(d004) X(d005) X(d006) X(d007) X(d008) X(d009) X(d010)  \
    X(d011) X(d012) X(d013) X(d014) X(d015) X(d016) X(d017) X(d018) X(d019) X(d020)  \
    X(d021) X(d022) X(d023) X(d024) X(d025) X(d026) X(d027) X(d028) X(d029) X(d030)  \
    X(d031) X(d032) X(d033) X(d034) X(d035) X(d036) X(d037) X(d038) X(d039) X(d040)  \
    X(d041) X(d042) X(d043) X(d044) X(d045) X(d046) X(d047) X(d048) X(d049) X(d050)  \
    X(d051) X(d052) X(d053) X(d054) X(d055)                                          \
    X(y003) X(y008) X(y009) X(y011) X(y012)
// clang-format on

// The values of one stored record that the compiled checks read; an empty value is 0.
struct RecordValues {
#define TALLWICK_REAL_MEMBER(name) double name = 0;
#define TALLWICK_INTEGER_MEMBER(name) WideInt name = 0;
    TALLWICK_REAL_FIELDS(TALLWICK_REAL_MEMBER)
    TALLWICK_INTEGER_FIELDS(TALLWICK_INTEGER_MEMBER)
#undef TALLWICK_REAL_MEMBER
#undef TALLWICK_INTEGER_MEMBER
};

// Where each of the 244 columns sits in a record set, found once by name so that reading a row
// looks nothing up. The record set of a check run is
// "select dt_data.*,dt_data1.y001,...,dt_data1.y012 from dt_data inner join dt_data1 on ...".
class RecordColumns {
  public:
    // Throws SQLite::Exception when the statement lacks one of the columns.
    explicit RecordColumns(const SQLite::Statement& statement);

    // The current row of the statement given to the constructor (or of one with the same
    // columns); throws SQLite::Exception when there is no current row.
    RecordValues Read(const SQLite::Statement& statement) const;
    // The same from a row already read.
    RecordValues Read(const RowSnapshot& row) const;

  private:
    std::vector<std::pair<int, double RecordValues::*>> reals_;
    std::vector<std::pair<int, WideInt RecordValues::*>> integers_;
};

// One check of the compiled set: when fails holds, the record breaks rule, which is reported with
// Parse(messageTemplate) on the page of its focus field.
struct CompiledCheck {
    int number;
    bool (*fails)(const RecordValues&);
    std::string_view rule;
    std::string_view messageTemplate;
    std::string_view focus;
};

// The survey's logic rules as fixed program logic, for check runs over stored records.
class CompiledRuleSet {
  public:
    static constexpr int kRuleCount = 139;

    // Renders every message once; the explanations depend only on the templates and the hints.
    explicit CompiledRuleSet(const FieldHints& hints);

    // Evaluates every check in table order and hands each failing one to onError; true when
    // none failed.
    bool CheckRecord(const RecordValues& values,
                     const std::function<void(const LogicError&)>& onError) const;

    // The numbers of the failing checks, in table order.
    std::vector<int> FailingRules(const RecordValues& values) const;

    // The checks in table order, and the entry window page that reports each of them.
    static std::span<const CompiledCheck> Checks();
    static int PageOf(int ruleNumber);

  private:
    std::vector<LogicError> errors_;  // the report of each check, in table order
};

}  // namespace tallwick::check
