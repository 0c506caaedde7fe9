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

}  // namespace tallwick::test
