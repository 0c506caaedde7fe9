#pragma once

#include <SQLiteCpp/Database.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tallwick {

// What a stored value of one record column must be. SQLite keeps whatever it is given, so the
// types and limits of the survey are written down here, derived from the field catalogue.
struct FieldLimit {
    enum class Kind {
        UnitCode,     // a whole number of 12 digits, never empty
        Whole,        // a whole number or empty
        Decimal,      // a finite number or empty
        Text,         // text of at most maxLength characters (0: any length) or empty
        CodeTable,    // a code of codeTable (its ID) or empty
        RecordState,  // 0, 1 or 2, never empty
    };
    std::string column;
    std::string hint;  // the catalogue's readable name, empty when the catalogue lacks the column
    Kind kind = Kind::Whole;
    std::size_t maxLength = 0;
    std::string codeTable;
};

// The limits of every column of `table` (dt_data or dt_data1) in the table's column order.
std::vector<FieldLimit> ReadFieldLimits(SQLite::Database& db, const std::string& table);

// An SQL condition that holds when `value` (an SQL expression such as NEW."z001") keeps the limit.
std::string WithinLimitSql(const FieldLimit& limit, const std::string& value);

// Why a value breaks the limit, as a phrase that follows the field: "不是整数".
std::string BreachReason(const FieldLimit& limit);

// One stored row that breaks a limit: the record's code as it is stored, and the first column
// (in table order) whose value breaks its limit.
struct LimitBreach {
    std::string code;  // whole codes in decimal, anything else as SQL quotes it
    FieldLimit limit;

    // "编号为<code>的记录的字段c902（本级工会名称）超过60个字符"
    std::string Describe() const;
};

// The rows of schema.table that break the limits of `limits`, in the table's row order, at most
// `atMost` of them; only the rows `condition` (an SQL condition) selects when it is given. Code
// tables are looked up in the main database.
std::vector<LimitBreach> FindBreaches(SQLite::Database& db, const std::string& schema,
                                      const std::string& table,
                                      const std::vector<FieldLimit>& limits, std::size_t atMost,
                                      const std::string& condition = {});

// How many rows of schema.table break the limits.
std::int64_t CountBreaches(SQLite::Database& db, const std::string& schema,
                           const std::string& table, const std::vector<FieldLimit>& limits);

// The record's code as FindBreaches names it, for an SQL expression of the code.
std::string CodeTextSql(const std::string& value);

// Triggers on dt_data and dt_data1 that refuse any insert or update that breaks a limit, with
// kLimitGuardMessage. Rows already stored are left as they are. Replaces earlier guards.
void InstallLimitGuards(SQLite::Database& db);

inline constexpr const char* kLimitGuardMessage =
    "数据不符合调查表规定的类型或范围，没有写入数据库。";

}  // namespace tallwick
