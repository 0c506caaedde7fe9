#include "blocked_records_refusal.h"

#include "common/user_error.h"
#include "exchange/blocked_records.h"

#include <string>
#include <vector>

namespace tallwick::cli {
namespace {

std::string CodeLine(const char* lead, const std::vector<double>& codes) {
    std::string line = lead;
    for (std::size_t i = 0; i < codes.size(); ++i)
        line += (i == 0 ? "" : " ") + std::to_string(static_cast<long long>(codes[i]));
    return line;
}

}  // namespace

void RefuseForBlockedRecords(SQLite::Database& db, const char* refusal) {
    const auto blocked = exchange::FindBlockedRecords(db);
    if (blocked.Empty()) return;
    std::string text = std::string(refusal) + "\n" + exchange::BlockedRecordsCounts(blocked);
    if (!blocked.held.empty()) text += "\n" + CodeLine("临时保存：", blocked.held);
    if (!blocked.faulty.empty()) text += "\n" + CodeLine("有逻辑错误：", blocked.faulty);
    throw UserError(text);
}

}  // namespace tallwick::cli
