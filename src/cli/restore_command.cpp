// tallwick-cli restore FILE [--yes]: replaces the working database with a backup or a safety
// copy, after a safety copy of its own. Without --yes it checks the file, says what would happen
// and changes nothing.
#include "command.h"

#include "exchange/restore.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/program_folder.h"

#include <ostream>

namespace tallwick::cli {
namespace fs = std::filesystem;
namespace {

// A damaged or missing working database cannot be opened: the restore is the way back to one.
int RestoreOverDamaged(const CommandContext& context, const fs::path& working,
                       const std::string& file, bool confirmed) {
    const fs::path layout = DeliveredFolder() / kDatabaseFileName;
    if (!confirmed) {
        const auto backup = exchange::InspectBackupForDamaged(working, file, layout);
        context.out << "数据库“" << working.string() << "”已经损坏或者不存在，将用备份文件“"
                    << backup.file.string() << "”（标记为【" << backup.label << "】，"
                    << backup.records
                    << "条记录）恢复它，损坏的文件会保留在它旁边。现在没有做任何改变，加上 "
                       "--yes 才会恢复。\n";
        return 0;
    }
    const auto result = exchange::RestoreOverDamaged(working, file, layout);
    for (const auto& finding : result.upgradeFindings) context.err << finding << '\n';
    context.out << result.message << '\n';
    return 0;
}

}  // namespace

int RunRestore(const CommandContext& context) {
    std::string file;
    bool confirmed = false;
    for (const auto& arg : context.args) {
        if (arg == "--yes") {
            confirmed = true;
        } else if (file.empty() && !arg.starts_with("-")) {
            file = arg;
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty()) {
        context.err << "usage: tallwick-cli restore FILE [--yes]\n";
        return 2;
    }
    const auto lock = DataFolderLock::Acquire(context.programFolder);
    const fs::path working = context.programFolder / kDatabaseFileName;
    if (exchange::IsDamagedOrMissing(working))
        return RestoreOverDamaged(context, working, file, confirmed);
    auto connection = DatabaseConnection::Open(context.programFolder);
    if (!confirmed) {
        const auto backup = exchange::InspectBackup(connection.Db(), file);
        context.out << "将用备份文件“" << backup.file.string() << "”（标记为【" << backup.label
                    << "】，" << backup.records << "条记录）替换数据库“"
                    << connection.CurrentDatabasePath().string()
                    << "”，替换之前先为它保存一份安全备份。现在没有做任何改变，加上 --yes "
                       "才会恢复。\n";
        return 0;
    }
    const auto result = exchange::RestoreBackup(connection, file);
    for (const auto& finding : result.upgradeFindings) context.err << finding << '\n';
    context.out << result.message << '\n';
    return 0;
}

}  // namespace tallwick::cli
