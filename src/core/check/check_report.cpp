#include "check/check_report.h"

#include "common/file_io.h"
#include "common/user_error.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace tallwick::check {
namespace fs = std::filesystem;

fs::path TemporaryFolder() {
    if (const char* temp = std::getenv("TEMP"); temp && *temp) return temp;
    return fs::temp_directory_path();
}

namespace {

// The label as part of a file name: characters that no file system takes become "_", and a long
// label is cut on a character boundary so the whole name stays within 255 bytes.
std::string FileNamePart(const std::string& label, std::size_t maxBytes) {
    std::string part;
    for (const char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        const bool refused = byte < 0x20 || byte == 0x7f ||
                             std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        part += refused ? '_' : c;
    }
    if (part.size() > maxBytes) {
        std::size_t cut = maxBytes;
        while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80) --cut;
        part.resize(cut);
    }
    return part;
}

}  // namespace

fs::path CheckReportPath(const fs::path& temporaryFolder, const std::string& label) {
    const std::string head = "2018基层以上-";
    const std::string tail = "-逻辑检查结果.txt";
    return temporaryFolder /
           fs::u8path(head + FileNamePart(label, 255 - head.size() - tail.size()) + tail);
}

std::string FormatUnitCode(double code) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, code, std::chars_format::fixed);
    return {buffer, result.ptr};
}

CheckReport::CheckReport(fs::path path, LocalTimeSource now)
    : path_(std::move(path)), now_(std::move(now)) {}

CheckReport::~CheckReport() {
    try {
        EndInterrupted();
    } catch (...) {
        // Leaving the temporary file is all that can happen; the next start removes it.
    }
}

void CheckReport::Begin() {
    out_.close();
    out_.clear();
    if (!temp_.empty()) {
        std::error_code ignored;
        fs::remove(temp_, ignored);
        temp_.clear();
    }
    try {
        temp_ = CreatePrivateTempFile(path_);
    } catch (const std::exception&) {
        throw UserError("无法写入逻辑检查结果文件：" + path_.string());
    }
    out_.open(temp_, std::ios::binary | std::ios::trunc);
    const std::tm t = now_();
    char time[64];
    std::snprintf(time, sizeof time, "%04d年%02d月%02d日 %02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min);
    Line("#2018基层以上调查表逻辑检查结果");
    Line(std::string("#检查时间：") + time);
    Line("");
    Line("");
    out_.flush();
    CheckWritten();
    errorItemCount_ = 0;
}

void CheckReport::BeginUnit(double code, std::string name) {
    unitCode_ = code;
    unitName_ = std::move(name);
    unitClean_ = true;
}

void CheckReport::WriteString(const LogicError& error) {
    if (unitClean_) {
        Line(FormatUnitCode(unitCode_) + "  " + unitName_ + "的数据有错误");
        Line(std::string(80, '-'));
    }
    Line("  判断规则：" + error.rule);
    Line("  规则说明：" + error.explanation);
    Line("");
    unitClean_ = false;
    ++errorItemCount_;
}

void CheckReport::WriteNote(const std::string& line) {
    if (unitClean_) return;
    Line("  " + line);
    Line("");
}

void CheckReport::EndUnit() {
    // Buffered: the report is written under a temporary name and renamed when the run ends, so an
    // interrupted run never leaves a misleading file to flush for.
    if (!unitClean_) CheckWritten();
}

bool CheckReport::Finish(std::uint64_t unitsWithErrors) {
    if (unitsWithErrors > 0) {
        Line(std::string(49, '='));
        Line("共有" + std::to_string(unitsWithErrors) + "个单位的数据存在逻辑错误！");
        Line("共有" + std::to_string(errorItemCount_) + "个逻辑错误项！");
    }
    out_.close();
    CheckWritten();
    Publish();
    return unitsWithErrors > 0;
}

void CheckReport::EndInterrupted() {
    if (temp_.empty()) return;
    Line(kReportInterrupted);
    out_.close();
    CheckWritten();
    Publish();
}

void CheckReport::Publish() {
    std::error_code error;
    fs::rename(temp_, path_, error);
    if (error) {
        fs::remove(temp_, error);
        temp_.clear();
        throw UserError("无法写入逻辑检查结果文件：" + path_.string());
    }
    temp_.clear();
}

void CheckReport::Line(const std::string& text) {
    out_ << text << "\r\n";
}

void CheckReport::CheckWritten() {
    if (out_.fail()) throw UserError("无法写入逻辑检查结果文件：" + path_.string());
}

}  // namespace tallwick::check
