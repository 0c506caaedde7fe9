#include "store/record_deletion.h"

#include "history/history_rows.h"
#include "history/history_table.h"
#include "store/safety_copy.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace tallwick {

int DeleteRecords(SQLite::Database& db, const std::vector<double>& codes) {
    if (codes.size() > 1) MakeSafetyCopy(db, safety_operation::kDelete);
    SQLite::Transaction transaction(db);
    // One prepared statement per table rather than an "in (...)" list: a selection may hold more
    // codes than a statement may have parameters.
    SQLite::Statement main(db, "delete from dt_data where c901=?");
    SQLite::Statement second(db, "delete from dt_data1 where c901=?");
    std::vector<double> removedCodes;
    for (const double code : codes) {
        main.bind(1, code);
        if (main.exec() > 0) removedCodes.push_back(code);
        main.reset();
        second.bind(1, code);
        second.exec();
        second.reset();
    }
    history::AppendWholeRecordRows(db, history::kDelete, removedCodes);
    transaction.commit();
    return static_cast<int>(removedCodes.size());
}

int DeleteAllRecords(SQLite::Database& db) {
    MakeSafetyCopy(db, safety_operation::kDelete);
    SQLite::Transaction transaction(db);
    history::AppendWholeRecordRows(db, history::kDelete, "select c901 from dt_data");
    const int removed = db.exec("delete from dt_data");
    db.exec("delete from dt_data1");
    transaction.commit();
    return removed;
}

int DeleteRecordRange(SQLite::Database& db, double low, double high) {
    SQLite::Statement count(db, "select count(*) from dt_data where c901>=? and c901<=?");
    count.bind(1, low);
    count.bind(2, high);
    count.executeStep();
    const std::int64_t inRange = count.getColumn(0).getInt64();
    count.reset();
    if (inRange > 1) MakeSafetyCopy(db, safety_operation::kDelete);
    SQLite::Transaction transaction(db);
    history::AppendWholeRecordRows(
        db, history::kDelete, "select c901 from dt_data where c901>=?1 and c901<=?2", {low, high});
    SQLite::Statement main(db, "delete from dt_data where c901>=? and c901<=?");
    SQLite::Statement second(db, "delete from dt_data1 where c901>=? and c901<=?");
    for (auto* statement : {&main, &second}) {
        statement->bind(1, low);
        statement->bind(2, high);
    }
    const int removed = main.exec();
    second.exec();
    transaction.commit();
    return removed;
}

}  // namespace tallwick
