#pragma once

// The parts of an opened workbook, shared by the workbook and its sheets. Internal to the
// template layer.
#include "sheet/zip_archive.h"

#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tallwick::sheet::detail {

struct SheetEntry {
    std::string name;
    std::string relationId;
    std::string part;  // "xl/worksheets/sheet1.xml"
};

class PackageParts {
  public:
    explicit PackageParts(std::vector<ZipEntry> entries) : entries_(std::move(entries)) {}

    bool Has(const std::string& name) const;
    // Parsed once, written back by Flush(); the XML declaration is kept.
    pugi::xml_document& Xml(const std::string& name);
    void Remove(const std::string& name);
    // Serialises every parsed part into the entries and returns them.
    const std::vector<ZipEntry>& Flush();

    const std::vector<std::string>& SharedStrings();
    // Index in cellXfs of a copy of style `xf` that aligns left.
    int LeftAligned(int xf);

    std::string workbookPart = "xl/workbook.xml";
    std::vector<SheetEntry> sheets;

  private:
    std::vector<ZipEntry> entries_;
    std::map<std::string, std::unique_ptr<pugi::xml_document>> docs_;
    std::unique_ptr<std::vector<std::string>> sharedStrings_;
    std::map<int, int> leftAligned_;
};

// "worksheets/sheet1.xml" relative to the folder of `base`, or "/xl/..." from the root.
std::string ResolveTarget(const std::string& base, const std::string& target);
// "xl/worksheets/_rels/sheet1.xml.rels"
std::string RelationsPart(const std::string& part);

}  // namespace tallwick::sheet::detail
