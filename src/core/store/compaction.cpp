#include "store/compaction.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/safety_copy.h"

#include <SQLiteCpp/Statement.h>

#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;

void CompactDatabase(const fs::path& path) {
    fs::path temp;
    try {
        temp = CreatePrivateTempFile(path.parent_path() / ("~SM" + path.filename().string()));
        {
            auto db = OpenExistingSqlite(path);
            SQLite::Statement vacuum(*db, "VACUUM INTO ?");
            vacuum.bind(1, temp.string());
            vacuum.exec();
            // The rename below is the change; a file that cannot even be read failed above.
            MakeSafetyCopy(*db, safety_operation::kCompaction);
        }
        fs::rename(temp, path);
    } catch (const UserError&) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw;
    } catch (const std::exception& error) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw UserError(std::string("运行中发生错误：") + ErrorText(error));
    }
}

}  // namespace tallwick
