#include "exchange/network_report.h"
#include "store/database.h"

#include "cipher/aes_file.h"
#include "common/ascii.h"
#include "common/file_io.h"
#include "common/gbk.h"
#include "common/user_error.h"
#include "exchange/network_value_text.h"
#include "store/raw_statement.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <vector>

namespace tallwick::exchange {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kFlushSize = 1 << 20;

struct ExportField {
    std::string name;
    int queryType = 0;
    int column = -1;  // in the record statement; -1: the slot stays empty
};

// The export field list and the statement that reads every record's values in its order:
// names with a "y" come from the record's dt_data1 row, all others from dt_data.
std::vector<ExportField> ReadExportFields(SQLite::Database& db, std::string& select) {
    std::vector<ExportField> fields;
    SQLite::Statement list(db,
                           "select fieldName,QueryType from dt_fieldlist where sequence>0 and "
                           "sequence<1000 order by sequence");
    std::string columns;
    int next = 0;
    while (list.executeStep()) {
        ExportField field{list.getColumn(0).getString(), list.getColumn(1).getInt(), -1};
        // Every exported record is clean, so its state says nothing to the receiver.
        if (AsciiLower(field.name) != "recordstate" && field.queryType >= 0 &&
            field.queryType <= 3) {
            if (!columns.empty()) columns += ',';
            columns += (field.name.find('y') != std::string::npos ? "d1." : "d.") +
                       QuoteIdentifier(field.name);
            field.column = next++;
        }
        fields.push_back(std::move(field));
    }
    select = "select " + (columns.empty() ? std::string("1") : columns) +
             " from dt_data d left join dt_data1 d1 on d1.c901 = d.c901 order by d.c901 asc";
    return fields;
}

// The record statement on the C interface, each column taken once as a value: the column
// functions look the column up again on every call. No other thread uses the connection, so
// reading its unprotected values is safe.
class RecordReader {
  public:
    RecordReader(SQLite::Database& db, const std::string& select) : statement_(db, select) {}

    // Calls read(value of column) for the fields of the next row; false after the last row.
    template <typename Read>
    bool Next(const Read& read) {
        if (!statement_.Step()) return false;
        read([this](int column) { return sqlite3_column_value(statement_.Handle(), column); });
        return true;
    }

  private:
    RawStatement statement_;
};

check::RunControl Ask(const NetworkReportProgress& progress, std::uint64_t done,
                      std::uint64_t total) {
    if (!progress) return check::RunControl::Continue;
    auto answer = progress(done, total);
    while (answer == check::RunControl::Pause) answer = progress(done, total);
    return answer;
}

class PlainFile {
  public:
    explicit PlainFile(const fs::path& path)
        : path_(path), out_(path, std::ios::binary | std::ios::trunc) {
        if (!out_)
            throw std::system_error(errno, std::generic_category(),
                                    "cannot create " + path.string());
        buffer_.reserve(kFlushSize + 4096);
    }
    std::string& Buffer() { return buffer_; }
    void FlushIfFull() {
        if (buffer_.size() >= kFlushSize) Flush();
    }
    void Close() {
        Flush();
        out_.close();
        if (!out_) Fail();
    }

  private:
    void Flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        if (!out_) Fail();
        buffer_.clear();
    }
    [[noreturn]] void Fail() {
        throw std::system_error(errno, std::generic_category(), "cannot write " + path_.string());
    }

    fs::path path_;
    std::ofstream out_;
    std::string buffer_;
};

// Removes a file when it goes out of scope, unless it was kept.
class FileRemover {
  public:
    explicit FileRemover(fs::path path) : path_(std::move(path)) {}
    ~FileRemover() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove(path_, ignored);
    }
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;
    void Keep() { path_.clear(); }

  private:
    fs::path path_;
};

}  // namespace

void CheckNetworkReportGate(SQLite::Database& db) {
    SQLite::Statement count(db, "select count(*) as cnt from dt_data where RecordState<>1");
    count.executeStep();
    if (count.getColumn(0).getInt64() >= 1) throw UserError(kIncompleteDataMessage);
}

std::string SuggestedNetworkReportName(std::chrono::year_month_day today) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d-%02u-%02u", static_cast<int>(today.year()),
                  static_cast<unsigned>(today.month()), static_cast<unsigned>(today.day()));
    return std::string(name) + "(网络版)";
}

NetworkReportPaths NetworkReportPathsFor(const fs::path& chosen) {
    const std::string name = chosen.string();
    if (name.size() > 4 && name.ends_with(".dat")) {
        return {name, name.substr(0, name.size() - 4) + "temp.dat"};
    }
    return {name + ".dat", name + "temp.dat"};
}

NetworkReportResult WriteNetworkReportText(SQLite::Database& db, const fs::path& file,
                                           const NetworkReportProgress& progress) {
    const auto total =
        static_cast<std::uint64_t>(db.execAndGet("select count(*) from dt_data").getInt64());
    std::string select;
    const auto fields = ReadExportFields(db, select);
    RecordReader records(db, select);

    PlainFile out(file);
    GbkEncoder gbk;
    std::string line;
    for (const auto& field : fields) line.append(field.name).push_back(',');
    line.append("\r\n");
    gbk.Append(line, out.Buffer());

    NetworkReportResult result;
    if (Ask(progress, 0, total) == check::RunControl::Stop) return {true, 0};
    const auto writeLine = [&](const auto& value) {
        line.clear();
        for (const auto& field : fields) {
            if (field.column >= 0) AppendValueText(value(field.column), field.queryType, line);
            line.push_back(',');
        }
        line.append("\r\n");
    };
    while (records.Next(writeLine)) {
        gbk.Append(line, out.Buffer());
        out.FlushIfFull();
        ++result.records;
        if (Ask(progress, result.records, total) == check::RunControl::Stop) {
            result.stopped = true;
            return result;
        }
    }
    out.Close();
    return result;
}

NetworkReportResult ExportNetworkReport(SQLite::Database& db, const NetworkReportPaths& paths,
                                        const NetworkReportProgress& progress) {
    CheckNetworkReportGate(db);
    // The plain text goes into a private file of its own beside the named one, so that a file
    // of the user's that bears the name is neither overwritten nor removed.
    const fs::path plainText = CreatePrivateTempFile(paths.plainTemp);
    FileRemover plain(plainText);
    const auto result = WriteNetworkReportText(db, plainText, progress);
    if (result.stopped) return result;

    const fs::path encrypted = CreatePrivateTempFile(paths.target);
    FileRemover partial(encrypted);
    cipher::EncryptFileWithTextKey(plainText, encrypted, NetworkReportKey());
    fs::rename(encrypted, paths.target);
    partial.Keep();
    return result;
}

NetworkReportResult ExportNetworkReportPlain(SQLite::Database& db, const fs::path& target,
                                             const NetworkReportProgress& progress) {
    CheckNetworkReportGate(db);
    const fs::path temp = CreatePrivateTempFile(target);
    FileRemover partial(temp);
    const auto result = WriteNetworkReportText(db, temp, progress);
    if (result.stopped) return result;
    fs::rename(temp, target);
    partial.Keep();
    return result;
}

}  // namespace tallwick::exchange
