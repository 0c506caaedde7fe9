#include "store/record_counts.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick {

RecordCounts CountRecords(SQLite::Database& db) {
    RecordCounts counts;
    SQLite::Statement query(db, "SELECT RecordState, count(*) FROM dt_data GROUP BY RecordState");
    while (query.executeStep()) {
        const std::int64_t n = query.getColumn(1).getInt64();
        counts.byRecordState[query.getColumn(0).getInt64()] += n;  // an empty state counts as 0
        counts.total += n;
    }
    return counts;
}

}  // namespace tallwick
