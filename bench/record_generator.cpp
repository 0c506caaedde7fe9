#include "record_generator.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <random>
#include <string>
#include <vector>

namespace tallwick::bench {
namespace {

std::vector<std::string> SurveyColumns(SQLite::Database& db, const char* table) {
    std::vector<std::string> columns;
    SQLite::Statement info(db, std::string("PRAGMA table_info(") + table + ")");
    while (info.executeStep()) {
        std::string name = info.getColumn(1).getString();
        if (name.size() == 4 && name[0] != 'c') columns.push_back(name);
    }
    return columns;
}

std::string InsertSql(const char* table, const std::vector<std::string>& columns, bool cover) {
    std::string sql = std::string("INSERT INTO ") + table + " (c901";
    std::string marks = "?";
    if (cover) {
        sql += ", c900, c902, c903, c904, c905, c906, c907, RecordState";
        marks += ", ?, ?, ?, ?, ?, ?, ?, ?";
    }
    for (const auto& column : columns) {
        sql += ", " + column;
        marks += ", ?";
    }
    return sql + ") VALUES (" + marks + ")";
}

}  // namespace

void GenerateRecords(SQLite::Database& db, std::int64_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::int64_t> regions;
    SQLite::Statement regionQuery(db, "SELECT ID FROM CT_CityName WHERE Code3 <> 0");
    while (regionQuery.executeStep()) regions.push_back(regionQuery.getColumn(0).getInt64());

    const auto mainColumns = SurveyColumns(db, "dt_data");
    const auto secondColumns = SurveyColumns(db, "dt_data1");
    SQLite::Transaction transaction(db);
    SQLite::Statement insertMain(db, InsertSql("dt_data", mainColumns, true));
    SQLite::Statement insertSecond(db, InsertSql("dt_data1", secondColumns, false));
    std::uniform_int_distribution<int> smallCount(0, 60);
    std::uniform_int_distribution<int> level(1, 12);
    std::uniform_int_distribution<int> state(1, 5);
    std::uniform_int_distribution<int> recordState(0, 2);
    std::uniform_int_distribution<size_t> region(0, regions.empty() ? 0 : regions.size() - 1);

    for (std::int64_t i = 0; i < count; ++i) {
        const double code = 100000000001.0 + static_cast<double>(i) * 7;
        int index = 1;
        insertMain.bind(index++, code);
        insertMain.bind(index++, std::string(32, '0'));
        insertMain.bind(index++, "测试工会" + std::to_string(i));
        insertMain.bind(index++, regions.empty() ? 110101 : regions[region(random)]);
        insertMain.bind(index++, level(random));
        insertMain.bind(index++, "填表人");
        insertMain.bind(index++, "010-12345678");
        insertMain.bind(index++, state(random) <= 3 ? 1 : 2);
        insertMain.bind(index++, recordState(random));
        for (size_t c = 0; c < mainColumns.size(); ++c) insertMain.bind(index++, smallCount(random));
        insertMain.exec();
        insertMain.reset();

        insertSecond.bind(1, code);
        for (size_t c = 0; c < secondColumns.size(); ++c) {
            insertSecond.bind(static_cast<int>(c) + 2, smallCount(random));
        }
        insertSecond.exec();
        insertSecond.reset();
    }
    transaction.commit();
}

}  // namespace tallwick::bench
