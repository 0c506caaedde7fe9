// tallwick-mkdb OUTPUT SCHEMA.sql TABLE=FILE.tsv...
//
// Builds a database file from a schema script and tab-separated row files. A row file has a
// header line of column names; every later line is one row. An empty cell is NULL; the column's
// declared type turns digits into numbers. The output is written beside its target and renamed
// into place, so a failed build never leaves a half-made database.
#include "common/file_io.h"
#include "history/history_table.h"
#include "review/confirmations.h"
#include "store/database.h"
#include "store/field_limits.h"
#include "store/record_counts.h"
#include "tsv_table.h"
#include "verify/verification_marks.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void LoadRows(SQLite::Database& db, const std::string& table, const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto columns = tallwick::tools::Split(line, '\t');

    std::string sql = "INSERT INTO " + tallwick::QuoteIdentifier(table) + " (";
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i) {
        sql += (i ? ", " : "") + tallwick::QuoteIdentifier(columns[i]);
        marks += i ? ", ?" : "?";
    }
    SQLite::Statement insert(db, sql + ") VALUES (" + marks + ")");

    int lineNumber = 1;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const auto cells = tallwick::tools::Split(line, '\t');
        if (cells.size() != columns.size()) {
            throw std::runtime_error(file.string() + ":" + std::to_string(lineNumber) + ": " +
                                     std::to_string(cells.size()) + " cells, header has " +
                                     std::to_string(columns.size()));
        }
        for (size_t i = 0; i < cells.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            if (cells[i].empty()) {
                insert.bind(index);
            } else {
                insert.bind(index, cells[i]);
            }
        }
        insert.exec();
        insert.reset();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: tallwick-mkdb OUTPUT SCHEMA.sql TABLE=FILE.tsv...\n";
        return 2;
    }
    const fs::path output = argv[1];
    const fs::path temp = tallwick::SiblingTempPath(output);
    try {
        {
            auto db = tallwick::OpenSqlite(temp, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db->exec(ReadText(argv[2]));
            SQLite::Transaction transaction(*db);
            for (int i = 3; i < argc; ++i) {
                const std::string argument = argv[i];
                const auto equals = argument.find('=');
                if (equals == std::string::npos)
                    throw std::runtime_error("expected TABLE=FILE: " + argument);
                LoadRows(*db, argument.substr(0, equals), argument.substr(equals + 1));
            }
            tallwick::InstallLimitGuards(*db);
            tallwick::history::CreateHistoryTable(*db);
            tallwick::review::CreateConfirmationTable(*db);
            tallwick::verify::CreateVerificationTable(*db);
            tallwick::CreateRecordCounts(*db);
            transaction.commit();
            db->exec("ANALYZE; VACUUM;");
        }
        fs::rename(temp, output);
    } catch (const std::exception& error) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        std::cerr << "tallwick-mkdb: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
