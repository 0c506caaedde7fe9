#pragma once

#include "store/database.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick::exchange {

// Another database file attached to a connection under a schema name for as long as this
// object lives. Attaching is not possible inside a transaction: attach first, then begin.
// A file that is only read is attached read-only, so that reading never changes it, not even by
// rolling back a journal left beside it (refused with UserError instead); only a file the
// operation fills is attached for writing.
class AttachedFile {
  public:
    enum class Access { ReadOnly, Write };
    AttachedFile(SQLite::Database& db, const std::filesystem::path& file, std::string schema,
                 Access access = Access::ReadOnly);
    ~AttachedFile();
    AttachedFile(const AttachedFile&) = delete;
    AttachedFile& operator=(const AttachedFile&) = delete;

    const std::string& Schema() const { return schema_; }

  private:
    SQLite::Database& db_;
    std::string schema_;
};

// Whether the schema holds a table of that name, compared without regard to case.
bool HasTable(SQLite::Database& db, const std::string& schema, const std::string& table);

// The table's column names in their stored order; empty when there is no such table.
std::vector<std::string> TableColumns(SQLite::Database& db, const std::string& schema,
                                      const std::string& table);

// "\"a\", \"b\"" for an explicit column list.
std::string ColumnList(const std::vector<std::string>& columns);

struct TableRef {
    std::string schema;
    std::string table;
};

// Copies the rows of `from` (those matching `where`, when given) into `to` through the columns
// of `to`. Throws SQLite::Exception when the columns of `from` are not exactly those of `to`:
// a file of another layout fails instead of shifting or dropping data.
void CopyRows(SQLite::Database& db, const TableRef& from, const TableRef& to,
              const std::string& where = {});

}  // namespace tallwick::exchange
