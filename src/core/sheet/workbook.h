#pragma once

#include "sheet/worksheet.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tallwick::sheet {

// A workbook edited in place in its Office Open XML parts, so that styles, merges, column
// widths and page setup of the template survive untouched.
class Workbook {
  public:
    // Opens a template (.xltx) or workbook (.xlsx) as a new workbook that is saved elsewhere.
    // Throws std::runtime_error when the file cannot be read as a workbook.
    static Workbook OpenTemplate(const std::filesystem::path& path);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    int SheetCount() const;
    std::vector<std::string> SheetNames() const;
    // Sheet `number` counts from 1 in tab order.
    Worksheet Sheet(int number);

    // Removes the sheet with its part, relation, content type, local defined names and entry in
    // the document properties; the last sheet cannot be deleted.
    void DeleteSheet(int number);
    // Makes the first sheet the active and only selected one.
    void ActivateFirstSheet();
    // Makes sheet `number` (from 1) the active and only selected one.
    void ActivateSheet(int number);

    // Saves as .xlsx, atomically. The workbook recalculates on opening: cached formula values
    // that may be stale and the calculation chain are dropped.
    void Save(const std::filesystem::path& path);
    // Saves with the template content type (used to make the delivered template).
    void SaveAsTemplate(const std::filesystem::path& path);

  private:
    explicit Workbook(std::unique_ptr<detail::PackageParts> parts);
    void SaveWithType(const std::filesystem::path& path, const char* contentType);

    std::unique_ptr<detail::PackageParts> parts_;
};

}  // namespace tallwick::sheet
