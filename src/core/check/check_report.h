#pragma once

#include "check/logic_error.h"
#include "common/local_time.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace tallwick::check {

// The local time at which a run starts; tests pass a fixed one.
using LocalTimeSource = std::function<std::tm()>;

// TEMP when set, else the system's temporary folder.
std::filesystem::path TemporaryFolder();

// "<temp>/2018基层以上-<label>-逻辑检查结果.txt"
std::filesystem::path CheckReportPath(const std::filesystem::path& temporaryFolder,
                                      const std::string& label);

// The last line of a report whose run did not end normally.
inline constexpr const char* kReportInterrupted = "#检查被中止，以上的检查结果不完整。";

// The check result file of one run. Lines end in CR LF. It is written under a private temporary
// name beside its own and takes its name only when it ends, so a report under that name is never
// cut short: it is complete, or its last line says that the run was interrupted. The temporary
// file is flushed after every record. Write failures throw UserError.
class CheckReport {
  public:
    explicit CheckReport(std::filesystem::path path, LocalTimeSource now = CurrentLocalTime);
    ~CheckReport();
    CheckReport(const CheckReport&) = delete;
    CheckReport& operator=(const CheckReport&) = delete;

    // Creates or empties the file and writes the four header lines.
    void Begin();

    // The record whose errors follow: its code and name head the first error's entry.
    void BeginUnit(double code, std::string name);
    void WriteString(const LogicError& error);
    // A line after the unit's errors, indented like them; nothing for a unit without errors.
    void WriteNote(const std::string& line);
    // Makes the unit's entries durable.
    void EndUnit();

    bool UnitClean() const { return unitClean_; }
    std::uint64_t ErrorItemCount() const { return errorItemCount_; }

    // Writes the totals when some record had errors and returns true; returns false (file left
    // with its header only) when none had. Either way the file is closed.
    bool Finish(std::uint64_t unitsWithErrors);

    // Ends a run that was stopped or failed: what it wrote, then kReportInterrupted. Nothing
    // when no run is under way.
    void EndInterrupted();

    const std::filesystem::path& Path() const { return path_; }

  private:
    void Line(const std::string& text);
    void CheckWritten();
    void Publish();

    std::filesystem::path path_;
    std::filesystem::path temp_;  // the file being written, empty between runs
    LocalTimeSource now_;
    std::ofstream out_;
    double unitCode_ = 0;
    std::string unitName_;
    bool unitClean_ = true;
    std::uint64_t errorItemCount_ = 0;
};

// The unit code as the shortest plain decimal: a 12-digit code prints as its 12 digits.
std::string FormatUnitCode(double code);

}  // namespace tallwick::check
