// tallwick-cli info [--json]: what is in the working database, without changing a record.
#include "command.h"
#include "json_text.h"

#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/record_counts.h"
#include "store/record_state.h"

#include <ostream>

namespace tallwick::cli {
namespace {

const char* StateName(std::int64_t state) {
    const char* name = RecordStateName(state);
    return name != nullptr ? name : "其他";
}

}  // namespace

int RunInfo(const CommandContext& context) {
    bool json = false;
    for (const auto& arg : context.args) {
        if (arg != "--json") {
            context.err << "usage: tallwick-cli info [--json]\n";
            return 2;
        }
        json = true;
    }

    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const std::string label = connection.ReadDatabaseLabel();
    RecordCounts counts = CountRecords(connection.Db());
    for (std::int64_t state : {0, 1, 2}) counts.byRecordState.try_emplace(state, 0);
    const std::string path = connection.CurrentDatabasePath().string();

    if (json) {
        context.out << "{\"label\": " << JsonString(label) << ", \"path\": " << JsonString(path)
                    << ", \"records\": " << counts.total << ", \"byRecordState\": {";
        const char* separator = "";
        for (const auto& [state, n] : counts.byRecordState) {
            context.out << separator << '"' << state << "\": " << n;
            separator = ", ";
        }
        context.out << "}}\n";
        return 0;
    }
    context.out << "数据库标签：" << label << '\n'
                << "数据库文件：" << path << '\n'
                << "记录数：" << counts.total << '\n';
    for (const auto& [state, n] : counts.byRecordState) {
        context.out << "  " << StateName(state) << "（" << state << "）：" << n << '\n';
    }
    return 0;
}

}  // namespace tallwick::cli
