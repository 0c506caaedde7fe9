#include "test_support.h"

#include "store/connection.h"
#include "store/database.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

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

void DropLimitGuards(SQLite::Database& db) {
    for (const char* trigger :
         {"dt_data_limits_insert", "dt_data_limits_update", "dt_data_limits_state",
          "dt_data1_limits_insert", "dt_data1_limits_update"})
        db.exec(std::string("DROP TRIGGER IF EXISTS ") + trigger);
}

DeliveredDatabaseCopy::DeliveredDatabaseCopy(WithoutLimitGuards) : DeliveredDatabaseCopy() {
    DropLimitGuards(*db_);
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
