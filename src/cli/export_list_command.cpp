// tallwick-cli export-list [--range LOW HIGH | --group-item ID] [--tables LIST] -o OUT.xlsx
// The data list: one row per record with the cover fields and the fields of the chosen survey
// tables (LIST: table lines 1 to 13, comma separated; by default the ticks of exporttable.qd
// beside the program), for all records, a range of unit codes or a custom grouping item.
#include "arguments.h"
#include "command.h"
#include "common/local_time.h"
#include "terminal_progress.h"

#include "common/user_error.h"
#include "query/data_list.h"
#include "query/data_list_export.h"
#include "query/data_list_settings.h"
#include "query/export_messages.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/program_folder.h"

#include <optional>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli export-list [--range LOW HIGH | --group-item ID] [--tables LIST] -o "
    "OUT.xlsx\n"
    "       LIST: table lines 1 to 13, comma separated; the ticks of exporttable.qd by default\n";

struct ListArguments {
    std::optional<std::pair<std::string, std::string>> range;
    std::optional<std::int64_t> groupItem;
    std::optional<std::array<bool, 13>> tables;
    std::filesystem::path output;
};

std::optional<ListArguments> ParseArguments(const std::vector<std::string>& args) {
    ListArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--range" && i + 2 < args.size()) {
            parsed.range.emplace(args[i + 1], args[i + 2]);
            i += 2;
        } else if (args[i] == "--group-item" && hasValue) {
            parsed.groupItem = ParseExactly<std::int64_t>(args[++i]);
            if (!parsed.groupItem) return std::nullopt;
        } else if (args[i] == "--tables" && hasValue) {
            parsed.tables = ParseTicks<13>(args[++i]);
            if (!parsed.tables) return std::nullopt;
        } else if (args[i] == "-o" && hasValue) {
            parsed.output = args[++i];
        } else {
            return std::nullopt;
        }
    }
    if (parsed.output.empty() || (parsed.range && parsed.groupItem)) return std::nullopt;
    return parsed;
}

// The queries of the grouping item `id`; an unknown id is refused as the dialog refuses it.
query::DataListQueries ItemQueries(SQLite::Database& db, const query::DataListColumns& columns,
                                   std::int64_t id) {
    const auto item = query::FindDataListGroupItem(db, id);
    if (!item) throw UserError(query::kGroupItemInvalid);
    return query::GroupItemQueries(columns, *item);
}

}  // namespace

int RunExportList(const CommandContext& context) {
    const auto arguments = ParseArguments(context.args);
    if (!arguments) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    SQLite::Database& db = connection.Db();
    const query::DataListColumns columns = query::BuildDataListColumns(
        db, arguments->tables ? *arguments->tables
                              : query::TickedDataListTables(query::ReadDataListTables(DeliveredFile(
                                    context.programFolder, query::kDataListTableFileName))));
    const query::DataListQueries queries =
        arguments->range
            ? query::CodeRangeQueries(columns, arguments->range->first, arguments->range->second)
        : arguments->groupItem ? ItemQueries(db, columns, *arguments->groupItem)
                               : query::AllRecordsQueries(columns);

    const query::DataListLayout layout = query::DescribeDataList(db, queries);
    const query::WorkbookRequest request{connection.ReadDatabaseLabel() + "数据列表",
                                         FormatCurrentLocalTime("%Y/%m/%d"), arguments->output};
    TerminalProgress bar(context.err, context.progressOnTerminal);
    const auto progress = [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); };
    const std::filesystem::path written =
        query::ExportDataList(db, queries, layout, request, progress);
    bar.Finish();
    context.out << query::WorkbookExportedMessage(written) << '\n';
    return 0;
}

}  // namespace tallwick::cli
