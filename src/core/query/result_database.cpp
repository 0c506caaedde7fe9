#include "query/result_database.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "query/column_kind.h"
#include "query/export_messages.h"
#include "query/result_columns.h"
#include "store/database.h"
#include "store/engine_error.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <functional>
#include <memory>
#include <vector>

namespace tallwick::query {
namespace {

// Replaces the table and fills it with the statement's rows. Blank numbers are stored as 0 and
// blank texts as empty texts; blank dates stay empty.
void CopyInto(SQLite::Database& target, const std::string& table, SQLite::Statement& rows,
              const std::function<void()>& afterRow) {
    std::vector<ColumnKind> kinds;
    std::string columns;
    std::string names;
    std::string marks;
    for (int i = 0; i < rows.getColumnCount(); ++i) {
        const std::string declared = DeclaredType(rows, i);
        kinds.push_back(KindOfDeclaredType(declared));
        const std::string separator = i == 0 ? "" : ",";
        const std::string type = SqlTypeText(declared);
        columns +=
            separator + QuoteIdentifier(rows.getColumnName(i)) + (type.empty() ? "" : " " + type);
        names += separator + QuoteIdentifier(rows.getColumnName(i));
        marks += separator + "?";
    }
    target.exec("DROP TABLE IF EXISTS " + QuoteIdentifier(table));
    target.exec("CREATE TABLE " + QuoteIdentifier(table) + " (" + columns + ")");
    SQLite::Statement insert(target, "INSERT INTO " + QuoteIdentifier(table) + " (" + names +
                                         ") VALUES (" + marks + ")");
    while (rows.executeStep()) {
        for (int i = 0; i < rows.getColumnCount(); ++i) {
            const SQLite::Column value = rows.getColumn(i);
            const ColumnKind kind = kinds[static_cast<std::size_t>(i)];
            if (value.isNull()) {
                if (kind == ColumnKind::Integer || kind == ColumnKind::Floating ||
                    kind == ColumnKind::Boolean)
                    insert.bind(i + 1, 0);
                else if (kind == ColumnKind::Text)
                    insert.bind(i + 1, "");
                else
                    insert.bind(i + 1);
            } else if (value.isInteger()) {
                insert.bind(i + 1, value.getInt64());
            } else if (value.isFloat()) {
                insert.bind(i + 1, value.getDouble());
            } else if (value.isBlob()) {
                insert.bind(i + 1, value.getBlob(), value.getBytes());
            } else {
                insert.bind(i + 1, value.getString());
            }
        }
        insert.exec();
        insert.reset();
        insert.clearBindings();
        if (afterRow) afterRow();
    }
}

std::filesystem::path Export(SQLite::Database& db, const std::string& sql, const std::string& sql1,
                             const std::string& title, const std::filesystem::path& chosenName,
                             const exchange::ExchangeProgress& progress) {
    SQLite::Statement count(db, "SELECT count(*) FROM (" + sql + ")");
    count.executeStep();
    const auto total = static_cast<std::uint64_t>(count.getColumn(0).getInt64());
    if (total == 0) throw UserError(kEmptyDatabaseExport);

    const std::filesystem::path target = WithExtension(chosenName, ".mdb");
    const bool fresh = !std::filesystem::exists(target);
    // Private from its first byte: SQLite takes the empty file as an empty database.
    const std::filesystem::path file = fresh ? CreatePrivateTempFile(target) : target;
    struct RemoveUnfinished {
        std::filesystem::path path;
        ~RemoveUnfinished() {
            std::error_code ignored;
            if (!path.empty()) std::filesystem::remove(path, ignored);
        }
    } unfinished{fresh ? file : std::filesystem::path()};

    {
        const auto out = OpenSqlite(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        SQLite::Statement first(db, sql);
        std::unique_ptr<SQLite::Statement> second;
        if (!sql1.empty()) second = std::make_unique<SQLite::Statement>(db, sql1);

        SQLite::Transaction transaction(*out);
        exchange::Report(progress, 0, total);
        std::uint64_t done = 0;
        CopyInto(*out, title, first, [&] { exchange::Report(progress, ++done, total); });
        if (second) CopyInto(*out, title + "1", *second, nullptr);
        transaction.commit();
    }
    if (fresh) {
        std::filesystem::rename(file, target);
        unfinished.path.clear();
    }
    return target;
}

}  // namespace

std::filesystem::path ExportResultDatabase(SQLite::Database& db, const std::string& sql,
                                           const std::string& sql1, const std::string& title,
                                           const std::filesystem::path& chosenName,
                                           const exchange::ExchangeProgress& progress) {
    try {
        return Export(db, sql, sql1, title, chosenName, progress);
    } catch (const UserError&) {
        throw;
    } catch (const std::exception& error) {
        throw UserError(RunErrorMessage(ErrorText(error)));
    }
}

}  // namespace tallwick::query
