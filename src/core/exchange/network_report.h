#pragma once

#include "check/check_run.h"

#include <SQLiteCpp/Database.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// The network-version report: a comma-separated text (GBK, CR LF) with a header line of the
// export fields (catalogue sequence 1 to 999) and one line per record in c901 order, every value
// followed by ",", encrypted as a whole with AES-128 ECB under the network version's key.
namespace tallwick::exchange {

inline constexpr const char* kIncompleteDataMessage =
    "存在临时保存或逻辑错误的数据，不能导出上报数据!";
inline constexpr const char* kNetworkReportDone = "导出上报数据成功";
inline constexpr const char* kNetworkReportCaption = "导出上报数据...";
inline constexpr const char* kNetworkReportDialogTitle = "导出文件存放为";
inline constexpr const char* kNetworkReportFilter = "dat文件(*.dat)";

// Throws UserError(kIncompleteDataMessage) when any record is temporarily saved or has logic
// errors (RecordState other than 1). An empty database passes.
void CheckNetworkReportGate(SQLite::Database& db);

// The name the save dialog suggests: "2018-11-20(网络版)".
std::string SuggestedNetworkReportName(std::chrono::year_month_day today);

struct NetworkReportPaths {
    std::filesystem::path target;     // "report.dat"
    std::filesystem::path plainTemp;  // "reporttemp.dat", beside it
};

// From the name chosen in the save dialog: a name ending in ".dat" (case-sensitive) is the
// target, any other gets ".dat" appended ("report.DAT" gives "report.DAT.dat").
NetworkReportPaths NetworkReportPathsFor(const std::filesystem::path& chosen);

// The key text of every report: 16 alphanumeric characters, derived from a stored seed.
std::string NetworkReportKey();

// Called with (done, total) before the first record and after every record.
using NetworkReportProgress =
    std::function<check::RunControl(std::uint64_t done, std::uint64_t total)>;

struct NetworkReportResult {
    bool stopped = false;  // the front end stopped it; the exports then leave no file behind
    std::uint64_t records = 0;
};

// Writes the plain report text to `file`, replacing it; no gate. A record's dt_data1 values are
// those of the dt_data1 row with its c901 (Null when it has none).
NetworkReportResult WriteNetworkReportText(SQLite::Database& db, const std::filesystem::path& file,
                                           const NetworkReportProgress& progress);

// The export after the dialog: the gate, the plain text into paths.plainTemp, and its encryption
// into paths.target, which is replaced only when complete. The plain file is removed on every
// path, also when a step fails or the front end stops.
NetworkReportResult ExportNetworkReport(SQLite::Database& db, const NetworkReportPaths& paths,
                                        const NetworkReportProgress& progress);

// The gate, then the plain text into `target` (written beside it and renamed when complete),
// for inspection: the receiver reads only the encrypted form.
NetworkReportResult ExportNetworkReportPlain(SQLite::Database& db,
                                             const std::filesystem::path& target,
                                             const NetworkReportProgress& progress);

}  // namespace tallwick::exchange
