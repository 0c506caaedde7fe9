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

// The check result file of one run. Lines end in CR LF. The file is flushed after every record,
// so what a stopped or failed run wrote stays readable. Write failures throw UserError.
class CheckReport {
  public:
    explicit CheckReport(std::filesystem::path path, LocalTimeSource now = CurrentLocalTime);

    // Creates or empties the file and writes the four header lines.
    void Begin();

    // The record whose errors follow: its code and name head the first error's entry.
    void BeginUnit(double code, std::string name);
    void WriteString(const LogicError& error);
    // Makes the unit's entries durable.
    void EndUnit();

    bool UnitClean() const { return unitClean_; }
    std::uint64_t ErrorItemCount() const { return errorItemCount_; }

    // Writes the totals when some record had errors and returns true; returns false (file left
    // with its header only) when none had. Either way the file is closed.
    bool Finish(std::uint64_t unitsWithErrors);

    const std::filesystem::path& Path() const { return path_; }

  private:
    void Line(const std::string& text);
    void CheckWritten();

    std::filesystem::path path_;
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
