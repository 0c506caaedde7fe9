#include "store/field_limits.h"

#include "common/ascii.h"
#include "store/database.h"

#include <SQLiteCpp/Statement.h>

#include <map>

namespace tallwick {
namespace {

struct CatalogueEntry {
    std::string hint;
    std::string type;  // FieldType: "Long", "Double", "Boolean-coded", "Text(60)"
};

std::map<std::string, CatalogueEntry> ReadCatalogue(SQLite::Database& db) {
    SQLite::Statement query(db, "SELECT FieldName, Hint, FieldType FROM DT_FieldList");
    std::map<std::string, CatalogueEntry> entries;
    while (query.executeStep()) {
        entries[AsciiLower(query.getColumn(0).getString())] = {query.getColumn(1).getString(),
                                                               query.getColumn(2).getString()};
    }
    return entries;
}

// The cover fields that the catalogue describes only as numbers or leaves out.
bool ApplyCoverRule(const std::string& lower, FieldLimit& limit) {
    static const std::map<std::string, std::string> kCodeTables{
        {"c903", "CT_CityName"}, {"c904", "CT_LevelCode"}, {"c907", "CT_state"}};
    if (lower == "c901") {
        limit.kind = FieldLimit::Kind::UnitCode;
    } else if (lower == "recordstate") {
        limit.kind = FieldLimit::Kind::RecordState;
    } else if (const auto table = kCodeTables.find(lower); table != kCodeTables.end()) {
        limit.kind = FieldLimit::Kind::CodeTable;
        limit.codeTable = table->second;
    } else if (lower == "c900") {
        // The processor stamp has no catalogue row; it is 32 characters.
        limit.kind = FieldLimit::Kind::Text;
        limit.maxLength = 32;
    } else {
        return false;
    }
    return true;
}

void ApplyCatalogueType(const std::string& type, FieldLimit& limit) {
    const std::string lower = AsciiLower(type);
    if (lower.starts_with("text")) {
        limit.kind = FieldLimit::Kind::Text;
        const auto open = lower.find('(');
        if (open != std::string::npos) limit.maxLength = std::stoul(lower.substr(open + 1));
    } else if (lower == "double") {
        limit.kind = FieldLimit::Kind::Decimal;
    } else {
        limit.kind = FieldLimit::Kind::Whole;
    }
}

constexpr const char* kLargestCode = "999999999999";
constexpr const char* kSmallestCode = "100000000000";

std::string WholeNumberSql(const std::string& v) {
    // A real number stays real in an integer column only when it is not whole or out of range.
    return "(typeof(" + v + ") = 'integer' OR (typeof(" + v + ") = 'real' AND " + v + " = CAST(" +
           v + " AS INTEGER)))";
}

std::string AllWithinSql(const std::vector<FieldLimit>& limits, const std::string& prefix,
                         const std::string& unchangedPrefix) {
    std::string all;
    for (const FieldLimit& limit : limits) {
        const std::string value = prefix + QuoteIdentifier(limit.column);
        std::string within = WithinLimitSql(limit, value);
        if (!unchangedPrefix.empty())
            within = "(" + value + " IS " + unchangedPrefix + QuoteIdentifier(limit.column) +
                     " OR " + within + ")";
        all += (all.empty() ? "" : "\n    AND ") + within;
    }
    return all.empty() ? "1" : all;
}

std::string GuardTriggers(const std::string& table, const std::vector<FieldLimit>& limits) {
    const std::string name = QuoteIdentifier(table);
    const std::string raise =
        std::string(" BEGIN SELECT RAISE(ABORT, '") + kLimitGuardMessage + "'); END;\n";
    std::string sql;
    for (const char* suffix : {"_limits_insert", "_limits_update", "_limits_state"})
        sql += "DROP TRIGGER IF EXISTS " + QuoteIdentifier(table + suffix) + ";\n";
    sql += "CREATE TRIGGER " + QuoteIdentifier(table + "_limits_insert") + " BEFORE INSERT ON " +
           name + " WHEN NOT (" + AllWithinSql(limits, "NEW.", "") + ")" + raise;

    // Check runs change only the state of many records at a time: it has a trigger of its own,
    // so they do not pay for the whole row. An update is judged by the values it changes, so a
    // row stored before the limits existed can still be checked, marked and corrected.
    std::vector<FieldLimit> state, others;
    for (const FieldLimit& limit : limits)
        (limit.kind == FieldLimit::Kind::RecordState ? state : others).push_back(limit);
    for (const auto& [suffix, group] :
         {std::pair{"_limits_update", &others}, std::pair{"_limits_state", &state}}) {
        if (group->empty()) continue;
        std::string columns;
        for (const FieldLimit& limit : *group)
            columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(limit.column);
        sql += "CREATE TRIGGER " + QuoteIdentifier(table + suffix) + " BEFORE UPDATE OF " +
               columns + " ON " + name + " WHEN NOT (" + AllWithinSql(*group, "NEW.", "OLD.") +
               ")" + raise;
    }
    return sql;
}

}  // namespace

std::vector<FieldLimit> ReadFieldLimits(SQLite::Database& db, const std::string& table) {
    const auto catalogue = ReadCatalogue(db);
    SQLite::Statement columns(db, "SELECT name FROM pragma_table_info(?) ORDER BY cid");
    columns.bind(1, table);
    std::vector<FieldLimit> limits;
    while (columns.executeStep()) {
        FieldLimit limit;
        limit.column = columns.getColumn(0).getString();
        const std::string lower = AsciiLower(limit.column);
        const auto entry = catalogue.find(lower);
        if (entry != catalogue.end()) limit.hint = entry->second.hint;
        if (!ApplyCoverRule(lower, limit)) {
            if (entry == catalogue.end()) continue;  // a column of no survey field: no limit
            ApplyCatalogueType(entry->second.type, limit);
        }
        limits.push_back(std::move(limit));
    }
    return limits;
}

std::string WithinLimitSql(const FieldLimit& limit, const std::string& v) {
    const std::string empty = v + " IS NULL OR ";
    switch (limit.kind) {
        case FieldLimit::Kind::UnitCode:
            return "(" + WholeNumberSql(v) + " AND " + v + " BETWEEN " + kSmallestCode + " AND " +
                   kLargestCode + ")";
        case FieldLimit::Kind::Whole:
            return "(" + empty + WholeNumberSql(v) + ")";
        case FieldLimit::Kind::Decimal:
            // Infinities lie outside the largest finite doubles; NaN is stored as NULL.
            return "(" + empty + "(typeof(" + v + ") IN ('integer', 'real') AND " + v +
                   " BETWEEN -1.7976931348623157e308 AND 1.7976931348623157e308))";
        case FieldLimit::Kind::Text:
            return "(" + empty + "(typeof(" + v + ") = 'text'" +
                   (limit.maxLength ? " AND length(" + v + ") <= " + std::to_string(limit.maxLength)
                                    : std::string()) +
                   "))";
        case FieldLimit::Kind::CodeTable:
            return "(" + empty + "(typeof(" + v + ") = 'integer' AND EXISTS (SELECT 1 FROM " +
                   QuoteIdentifier(limit.codeTable) + " WHERE ID = " + v + ")))";
        case FieldLimit::Kind::RecordState:
            return "(typeof(" + v + ") = 'integer' AND " + v + " IN (0, 1, 2))";
    }
    return "1";
}

std::string BreachReason(const FieldLimit& limit) {
    switch (limit.kind) {
        case FieldLimit::Kind::UnitCode:
            return "不是12位的整数";
        case FieldLimit::Kind::Whole:
            return "不是整数";
        case FieldLimit::Kind::Decimal:
            return "不是有效的数值";
        case FieldLimit::Kind::Text:
            return limit.maxLength ? "不是文本或超过" + std::to_string(limit.maxLength) + "个字符"
                                   : "不是文本";
        case FieldLimit::Kind::CodeTable:
            return "不是代码表" + limit.codeTable + "中的代码";
        case FieldLimit::Kind::RecordState:
            return "不是0、1或2";
    }
    return {};
}

std::string LimitBreach::Describe() const {
    std::string field = "字段" + limit.column;
    if (!limit.hint.empty()) field += "（" + limit.hint + "）";
    return "编号为" + code + "的记录的" + field + BreachReason(limit);
}

std::string CodeTextSql(const std::string& v) {
    return "CASE WHEN typeof(" + v + ") IN ('integer', 'real') AND " + v + " = CAST(" + v +
           " AS INTEGER) THEN CAST(CAST(" + v + " AS INTEGER) AS TEXT) ELSE substr(quote(" + v +
           "), 1, 40) END";
}

std::vector<LimitBreach> FindBreaches(SQLite::Database& db, const std::string& schema,
                                      const std::string& table,
                                      const std::vector<FieldLimit>& limits, std::size_t atMost,
                                      const std::string& condition) {
    std::vector<LimitBreach> breaches;
    if (limits.empty() || atMost == 0) return breaches;
    std::string which = "CASE";
    for (std::size_t i = 0; i < limits.size(); ++i) {
        which += " WHEN NOT " + WithinLimitSql(limits[i], QuoteIdentifier(limits[i].column)) +
                 " THEN " + std::to_string(i);
    }
    which += " END";
    SQLite::Statement query(
        db, "SELECT " + CodeTextSql("c901") + ", " + which + " FROM " + QuoteIdentifier(schema) +
                "." + QuoteIdentifier(table) + " WHERE NOT (" + AllWithinSql(limits, "", "") + ")" +
                (condition.empty() ? "" : " AND (" + condition + ")") + " ORDER BY rowid LIMIT ?");
    query.bind(1, static_cast<std::int64_t>(atMost));
    while (query.executeStep()) {
        breaches.push_back({query.getColumn(0).getString(),
                            limits.at(static_cast<std::size_t>(query.getColumn(1).getInt()))});
    }
    return breaches;
}

std::int64_t CountBreaches(SQLite::Database& db, const std::string& schema,
                           const std::string& table, const std::vector<FieldLimit>& limits) {
    return db
        .execAndGet("SELECT count(*) FROM " + QuoteIdentifier(schema) + "." +
                    QuoteIdentifier(table) + " WHERE NOT (" + AllWithinSql(limits, "", "") + ")")
        .getInt64();
}

void InstallLimitGuards(SQLite::Database& db) {
    for (const char* table : {"dt_data", "dt_data1"})
        db.exec(GuardTriggers(table, ReadFieldLimits(db, table)));
}

}  // namespace tallwick
