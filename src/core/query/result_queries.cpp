#include "query/result_queries.h"

#include "common/user_error.h"
#include "store/database.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>

namespace tallwick::query {

ResultStatements BuildResultStatements(const std::string& condition) {
    constexpr const char* kOrder = " order by c901 asc";
    if (condition.find("y0") != std::string::npos) {
        const std::string codes = "c901 in(select c901 from dt_data1 " + condition + ")";
        return {"SELECT * from view_data_all where " + codes + kOrder,
                "SELECT * from dt_data where " + codes + kOrder,
                "SELECT * from dt_data1 " + condition + kOrder};
    }
    return {"SELECT * from view_data_all " + condition + kOrder,
            "SELECT * from dt_data " + condition + kOrder,
            "SELECT * from dt_data1 where c901 in(select c901 from dt_data " + condition + " )" +
                kOrder};
}

std::string SortedStatement(const std::string& statement, const std::string& column,
                            bool descending) {
    return "SELECT * FROM (" + statement + ") ORDER BY " + QuoteIdentifier(column) +
           (descending ? " DESC" : " ASC") + ", c901 ASC";
}

void CheckResultStatements(SQLite::Database& db, const ResultStatements& statements) {
    try {
        for (const std::string* sql : {&statements.report, &statements.detail, &statements.detail1})
            SQLite::Statement(db, *sql);
    } catch (const SQLite::Exception& error) {
        throw UserError(error.what());
    }
}

}  // namespace tallwick::query
