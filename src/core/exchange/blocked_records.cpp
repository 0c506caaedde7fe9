#include "exchange/blocked_records.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::exchange {

BlockedRecords FindBlockedRecords(SQLite::Database& db) {
    BlockedRecords blocked;
    SQLite::Statement rows(db,
                           "SELECT c901, RecordState IS 2 FROM dt_data WHERE RecordState IS NOT 1 "
                           "ORDER BY c901");
    while (rows.executeStep()) {
        const double code = rows.getColumn(0).getDouble();
        (rows.getColumn(1).getInt() != 0 ? blocked.faulty : blocked.held).push_back(code);
    }
    return blocked;
}

std::string BlockedRecordsCounts(const BlockedRecords& blocked) {
    return "临时保存的数据有" + std::to_string(blocked.held.size()) + "条，有逻辑错误的数据有" +
           std::to_string(blocked.faulty.size()) + "条。";
}

}  // namespace tallwick::exchange
