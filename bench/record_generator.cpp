#include "record_generator.h"

#include "entry/level_rule.h"
#include "store/connection.h"
#include "store/database.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <map>
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

// The catalogue's level rule of each survey column ("" where every level answers it).
std::map<std::string, std::string> LevelRules(SQLite::Database& db) {
    std::map<std::string, std::string> rules;
    SQLite::Statement query(db, "SELECT FieldName, COALESCE(Rule, '') FROM DT_FieldList");
    while (query.executeStep()) {
        rules[query.getColumn(0).getString()] = query.getColumn(1).getString();
    }
    return rules;
}

constexpr std::int64_t kGrossTypos[] = {400000000, 100000000000, 99999999999999};

}  // namespace

void GenerateRecords(SQLite::Database& db, std::int64_t count, std::uint32_t seed,
                     GeneratorOptions options) {
    std::mt19937 random(seed);
    std::vector<std::int64_t> regions;
    SQLite::Statement regionQuery(db, "SELECT ID FROM CT_CityName WHERE Code3 <> 0");
    while (regionQuery.executeStep()) regions.push_back(regionQuery.getColumn(0).getInt64());

    const auto mainColumns = SurveyColumns(db, "dt_data");
    const auto secondColumns = SurveyColumns(db, "dt_data1");
    std::map<std::string, size_t> position;
    for (size_t c = 0; c < mainColumns.size(); ++c) position[mainColumns[c]] = c;

    SQLite::Transaction transaction(db);
    SQLite::Statement insertMain(db, InsertSql("dt_data", mainColumns, true));
    SQLite::Statement insertSecond(db, InsertSql("dt_data1", secondColumns, false));
    std::uniform_int_distribution<int> staff(10, 60);
    std::uniform_int_distribution<int> level(1, 12);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> anyValue(0, 99);
    std::uniform_int_distribution<size_t> anyColumn(0, mainColumns.size() - 1);
    std::uniform_int_distribution<size_t> region(0, regions.empty() ? 0 : regions.size() - 1);

    const auto levelRules = LevelRules(db);
    std::vector<std::string> columnRules;
    for (const auto& column : mainColumns) {
        const auto rule = levelRules.find(column);
        columnRules.push_back(rule == levelRules.end() ? "" : rule->second);
    }
    // The hard shapes draw from a stream of their own, so that every other record stays what
    // the same seed always made.
    std::mt19937 shapes(seed ^ 0x9e3779b9u);
    std::uniform_int_distribution<int> shapePercent(0, 99);
    std::uniform_int_distribution<int> highLevel(1, 3);
    std::uniform_int_distribution<int> typoIndex(0, 2);
    std::uniform_int_distribution<int> fewStaff(0, 30);

    std::vector<std::int64_t> values(mainColumns.size());
    for (std::int64_t i = 0; i < count; ++i) {
        // A consistent record: it breaks no rule at any level.
        std::fill(values.begin(), values.end(), 0);
        const int officials = staff(random);
        const std::pair<const char*, std::int64_t> consistent[] = {
            {"z001", officials}, {"z002", officials / 2},
            {"z003", officials}, {"x001", 5},
            {"x002", 1},         {"x003", 2},
            {"d005", 20},        {"d007", 3},
            {"d012", 10},        {"d014", 10},
            {"d024", 10},        {"d023", 40},
            {"d032", 1},         {"d039", 5},
            {"d045", 45},        {"d046", 5},
            {"d050", 5},
        };
        for (const auto& [column, value] : consistent) values[position.at(column)] = value;
        // About one record in ten carries a few typing errors.
        if (percent(random) < 10) {
            for (int fault = 0; fault < 3; ++fault) values[anyColumn(random)] = anyValue(random);
        }
        const int reportingState = percent(random) < 5 ? 3 : 1;
        const std::int64_t regionId = regions.empty() ? 110101 : regions[region(random)];
        int recordLevel = level(random);
        if (options.hardShapes) {
            const int shape = shapePercent(shapes);
            if (shape == 0) {
                // Begun and saved: a few answers of the first pages, the appendix still empty.
                std::fill(values.begin(), values.end(), 0);
                const int typed = fewStaff(shapes);
                values[position.at("z001")] = typed;
                values[position.at("z003")] = typed;
                values[position.at("x001")] = fewStaff(shapes) / 5;
                recordLevel = highLevel(shapes);
            } else if (shape == 1) {
                const int which = std::uniform_int_distribution<int>(
                    0, static_cast<int>(std::size(consistent)) - 1)(shapes);
                values[position.at(consistent[static_cast<std::size_t>(which)].first)] =
                    kGrossTypos[typoIndex(shapes)];
            } else if (shape == 2) {
                for (int fault = 0; fault < 8; ++fault) {
                    values[std::uniform_int_distribution<size_t>(0, values.size() - 1)(shapes)] =
                        std::uniform_int_distribution<int>(0, 99)(shapes);
                }
            }
        }

        const double code = 100000000001.0 + static_cast<double>(i) * 7;
        int index = 1;
        insertMain.bind(index++, code);
        insertMain.bind(index++, std::string(32, '0'));
        insertMain.bind(index++, "测试工会" + std::to_string(i));
        insertMain.bind(index++, regionId);
        insertMain.bind(index++, recordLevel);
        insertMain.bind(index++, "填表人");
        insertMain.bind(index++, "010-12345678");
        insertMain.bind(index++, reportingState);
        insertMain.bind(index++, static_cast<int>(i % 3));
        for (size_t c = 0; c < values.size(); ++c) {
            if (options.emptyUnasked && !columnRules[c].empty() &&
                !entry::EvaluateLevelRule(recordLevel, columnRules[c])) {
                insertMain.bind(index++);
            } else {
                insertMain.bind(index++, values[c]);
            }
        }
        insertMain.exec();
        insertMain.reset();

        insertSecond.bind(1, code);
        for (size_t c = 0; c < secondColumns.size(); ++c)
            insertSecond.bind(static_cast<int>(c) + 2, 0);
        insertSecond.exec();
        insertSecond.reset();
    }
    transaction.commit();
}

namespace {

// A copy of the delivered database at `file` with `count` generated records.
void WriteGeneratedDatabase(const std::filesystem::path& file, std::int64_t count) {
    std::filesystem::copy_file(TALLWICK_DELIVERED_DB, file);
    GenerateRecords(*OpenExistingSqlite(file), count);
}

}  // namespace

std::filesystem::path MakeGeneratedFolder(const std::string& name, std::int64_t count) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("tallwick-bench-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    WriteGeneratedDatabase(folder / kDatabaseFileName, count);
    return folder;
}

const std::filesystem::path& GeneratedFolderOnce(const std::string& prefix, std::int64_t count) {
    static std::map<std::string, std::filesystem::path> folders;
    const std::string name = prefix + "-" + std::to_string(count);
    auto& folder = folders[name];
    if (folder.empty()) folder = MakeGeneratedFolder(name, count);
    return folder;
}

std::filesystem::path KeptGeneratedFolder(std::int64_t count) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("tallwick-bench-kept-" + std::to_string(count));
    const fs::path file = folder / kDatabaseFileName;
    if (!fs::exists(file)) {
        fs::create_directories(folder);
        const fs::path partial = folder / "generating.mdb";
        fs::remove(partial);
        WriteGeneratedDatabase(partial, count);
        fs::rename(partial, file);  // only a finished file is ever found
    }
    return folder;
}

}  // namespace tallwick::bench
