// tallwick-cli groups export -o FILE | groups import FILE: shares the user's groupings between
// installations through a database file holding CT_Group and DT_GroupItem.

#include "command.h"
#include "exchange/file_names.h"
#include "exchange/group_transfer.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <optional>
#include <ostream>

namespace tallwick::cli {

int RunGroups(const CommandContext& context) {
    const auto& args = context.args;
    const bool exporting = args.size() == 3 && args[0] == "export" && args[1] == "-o";
    const bool importing = args.size() == 2 && args[0] == "import";
    const std::string file =
        exporting || importing ? exchange::TrimBlanks(args.back()) : std::string();
    if (file.empty()) {
        context.err << "usage: tallwick-cli groups (export -o FILE | import FILE)\n";
        return 2;
    }
    // An import changes the working database: no other program's operation may interleave.
    std::optional<DataFolderLock> lock;
    if (importing) lock.emplace(DataFolderLock::Acquire(context.programFolder));
    auto connection = lock ? DatabaseConnection::Open(context.programFolder)
                           : OpenWorkingDatabaseToRead(context.programFolder);
    const std::string path = exchange::WithExtension(file, ".mdb");
    if (exporting) {
        const std::filesystem::path source = connection.CurrentDatabasePath();
        connection.Close();
        context.out << exchange::ExportTables(source, exchange::kGroupTables, path) << '\n';
        return 0;
    }
    const auto result = exchange::ImportTables(connection.Db(), exchange::kGroupTables, path);
    for (const auto& missing : result.missingTables) context.out << missing << '\n';
    context.out << result.message << '\n';
    return 0;
}

}  // namespace tallwick::cli
