#include "test_support.h"

#include "store/connection.h"
#include "store/database.h"
#include "store/record_counts.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallwick::test {
namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tallwick-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path DeliveredDatabasePath() {
    return TALLWICK_DELIVERED_DB;
}

DeliveredDatabaseCopy::DeliveredDatabaseCopy() : path_(folder_.Path() / kDatabaseFileName) {
    fs::copy_file(DeliveredDatabasePath(), path_);
    db_ = OpenExistingSqlite(path_);
}

DeliveredDatabaseCopy::~DeliveredDatabaseCopy() {
    if (!db_) return;
    try {
        const RecordCounts kept = CountRecords(*db_);
        const RecordCounts counted = CountRecordsByScan(*db_);
        if (kept.total != counted.total || kept.byRecordState != counted.byRecordState) {
            ADD_FAILURE() << "dt_record_counts holds " << kept.total << " records, dt_data "
                          << counted.total;
        }
    } catch (const std::exception&) {
        // A test that damaged or replaced the file on purpose.
    }
}

void DropLimitGuards(SQLite::Database& db) {
    for (const char* trigger :
         {"dt_data_limits_insert", "dt_data_limits_update", "dt_data_limits_state",
          "dt_data1_limits_insert", "dt_data1_limits_update"})
        db.exec(std::string("DROP TRIGGER IF EXISTS ") + trigger);
}

DeliveredDatabaseCopy::DeliveredDatabaseCopy(WithoutLimitGuards) : DeliveredDatabaseCopy() {
    DropLimitGuards(*db_);
}

void DamageMiddleRecordPage(const fs::path& file) {
    std::int64_t page = 0;
    std::int64_t pageSize = 0;
    {
        auto db = OpenSqlite(file, SQLite::OPEN_READONLY);
        pageSize = db->execAndGet("PRAGMA page_size").getInt64();
        SQLite::Statement leaves(
            *db,
            "SELECT pageno FROM dbstat WHERE name = 'dt_data' AND pagetype = 'leaf' "
            "ORDER BY path");
        std::vector<std::int64_t> pages;
        while (leaves.executeStep()) pages.push_back(leaves.getColumn(0).getInt64());
        if (pages.size() < 3) throw std::runtime_error("dt_data has fewer than three leaf pages");
        page = pages[pages.size() / 2];
    }
    std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
    const std::streamoff at = (page - 1) * pageSize + 3;
    char cellCountHigh = 0;
    bytes.seekg(at);
    bytes.read(&cellCountHigh, 1);
    cellCountHigh ^= 0x01;
    bytes.seekp(at);
    bytes.write(&cellCountHigh, 1);
}

bool HasLibreOffice() {
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

fs::path ConvertWithLibreOffice(const fs::path& file, const std::string& filter) {
    const std::string folder = file.parent_path().string();
    const std::string command =
        "cd '" + folder + "' && soffice --headless -env:UserInstallation=file://" + folder +
        "/lo --convert-to '" + filter + "' '" + file.filename().string() + "' >/dev/null 2>&1";
    fs::path written = file;
    written.replace_extension(filter.substr(0, filter.find(':')));
    if (std::system(command.c_str()) != 0 || !fs::exists(written))
        throw std::runtime_error("LibreOffice could not convert " + file.string());
    return written;
}

}  // namespace tallwick::test
