#include "sheet/workbook.h"

#include "sheet/cell_address.h"
#include "sheet/package_parts.h"

#include <algorithm>
#include <stdexcept>

namespace tallwick::sheet {
namespace {

using detail::PackageParts;

constexpr const char* kContentTypes = "[Content_Types].xml";
constexpr const char* kWorkbookType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr const char* kTemplateType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
constexpr std::string_view kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

pugi::xml_node WorkbookRoot(PackageParts& parts) {
    return parts.Xml(parts.workbookPart).child("workbook");
}

pugi::xml_node Relationships(PackageParts& parts) {
    return parts.Xml(detail::RelationsPart(parts.workbookPart)).child("Relationships");
}

void RemoveOverride(PackageParts& parts, const std::string& part) {
    pugi::xml_node types = parts.Xml(kContentTypes).child("Types");
    const std::string name = "/" + part;
    for (pugi::xml_node entry : types.children("Override")) {
        if (name == entry.attribute("PartName").value()) {
            types.remove_child(entry);
            return;
        }
    }
}

void RemovePart(PackageParts& parts, const std::string& part) {
    parts.Remove(part);
    parts.Remove(detail::RelationsPart(part));
    RemoveOverride(parts, part);
}

void FindWorkbookPart(PackageParts& parts) {
    if (!parts.Has("_rels/.rels")) return;
    for (pugi::xml_node rel : parts.Xml("_rels/.rels").child("Relationships").children()) {
        if (kOfficeDocument == rel.attribute("Type").value())
            parts.workbookPart = detail::ResolveTarget("", rel.attribute("Target").value());
    }
}

void ReadSheets(PackageParts& parts) {
    pugi::xml_node rels = Relationships(parts);
    for (pugi::xml_node sheet : WorkbookRoot(parts).child("sheets").children("sheet")) {
        detail::SheetEntry entry{
            sheet.attribute("name").value(), sheet.attribute("r:id").value(), {}};
        for (pugi::xml_node rel : rels.children("Relationship")) {
            if (entry.relationId == rel.attribute("Id").value())
                entry.part =
                    detail::ResolveTarget(parts.workbookPart, rel.attribute("Target").value());
        }
        if (entry.part.empty() || !parts.Has(entry.part))
            throw std::runtime_error("sheet " + entry.name + " has no part");
        parts.sheets.push_back(std::move(entry));
    }
    if (parts.sheets.empty()) throw std::runtime_error("workbook without sheets");
}

// docProps/app.xml lists the sheet names and the names defined on them ("'Sheet'!Print_Titles"),
// with a count per heading.
void RemoveFromDocumentProperties(PackageParts& parts, const std::string& sheetName) {
    const std::string part = "docProps/app.xml";
    if (!parts.Has(part)) return;
    pugi::xml_node properties = parts.Xml(part).child("Properties");
    pugi::xml_node titles = properties.child("TitlesOfParts").child("vt:vector");
    int removedSheets = 0, removedNames = 0;
    for (pugi::xml_node title = titles.first_child(); title;) {
        pugi::xml_node next = title.next_sibling();
        const std::string text = title.text().get();
        if (text == sheetName) {
            ++removedSheets;
            titles.remove_child(title);
        } else if (text.rfind("'" + sheetName + "'!", 0) == 0 ||
                   text.rfind(sheetName + "!", 0) == 0) {
            ++removedNames;
            titles.remove_child(title);
        }
        title = next;
    }
    if (titles.attribute("size"))
        titles.attribute("size").set_value(
            std::max(0, titles.attribute("size").as_int() - removedSheets - removedNames));
    pugi::xml_node pairs = properties.child("HeadingPairs").child("vt:vector");
    for (pugi::xml_node variant : pairs.children("vt:variant")) {
        const std::string_view heading = variant.child("vt:lpstr").text().get();
        const int removed = heading == "Worksheets" || heading == "工作表"       ? removedSheets
                            : heading == "Named Ranges" || heading == "命名范围" ? removedNames
                                                                                 : 0;
        if (removed == 0) continue;
        pugi::xml_node count = variant.next_sibling("vt:variant").child("vt:i4");
        count.text().set(std::max(0, count.text().as_int() - removed));
    }
}

void RemoveCalculationChain(PackageParts& parts) {
    pugi::xml_node rels = Relationships(parts);
    for (pugi::xml_node rel : rels.children("Relationship")) {
        if (!EndsWith(rel.attribute("Type").value(), "/calcChain")) continue;
        RemovePart(parts,
                   detail::ResolveTarget(parts.workbookPart, rel.attribute("Target").value()));
        rels.remove_child(rel);
        break;
    }
}

void RequestFullCalculation(PackageParts& parts) {
    pugi::xml_node workbook = WorkbookRoot(parts);
    pugi::xml_node calcPr = workbook.child("calcPr");
    if (!calcPr) {
        pugi::xml_node before = workbook.child("definedNames");
        if (!before) before = workbook.child("sheets");
        calcPr = workbook.insert_child_after("calcPr", before);
    }
    if (!calcPr.attribute("fullCalcOnLoad")) calcPr.append_attribute("fullCalcOnLoad");
    calcPr.attribute("fullCalcOnLoad").set_value("1");
}

void SetWorkbookType(PackageParts& parts, const char* contentType) {
    pugi::xml_node types = parts.Xml(kContentTypes).child("Types");
    const std::string name = "/" + parts.workbookPart;
    for (pugi::xml_node entry : types.children("Override")) {
        if (name == entry.attribute("PartName").value())
            entry.attribute("ContentType").set_value(contentType);
    }
}

// Recomputes <dimension ref="A1:K12"> after rows and cells moved, and drops the cached values
// of formulas: any written cell may have changed them, and a viewer that does not recalculate
// would show the stale figure.
void TidySheet(pugi::xml_node root) {
    int top = 0, bottom = 0, left = 0, right = 0;
    for (pugi::xml_node row : root.child("sheetData").children("row")) {
        for (pugi::xml_node cell : row.children("c")) {
            if (cell.child("f")) cell.remove_child("v");
            const auto address = ParseCellName(cell.attribute("r").value());
            if (!address) continue;
            top = top ? std::min(top, address->row) : address->row;
            bottom = std::max(bottom, address->row);
            left = left ? std::min(left, address->column) : address->column;
            right = std::max(right, address->column);
        }
    }
    pugi::xml_node dimension = root.child("dimension");
    if (!dimension) return;
    const std::string ref = top == 0 ? "A1"
                            : top == bottom && left == right
                                ? CellName(top, left)
                                : CellName(top, left) + ":" + CellName(bottom, right);
    dimension.attribute("ref").set_value(ref.c_str());
}

}  // namespace

Workbook::Workbook(std::unique_ptr<PackageParts> parts) : parts_(std::move(parts)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::OpenTemplate(const std::filesystem::path& path) {
    auto parts = std::make_unique<PackageParts>(ReadZip(path));
    FindWorkbookPart(*parts);
    if (!parts->Has(parts->workbookPart))
        throw std::runtime_error(path.string() + ": not a workbook");
    ReadSheets(*parts);
    return Workbook(std::move(parts));
}

int Workbook::SheetCount() const {
    return static_cast<int>(parts_->sheets.size());
}

std::vector<std::string> Workbook::SheetNames() const {
    std::vector<std::string> names;
    for (const auto& sheet : parts_->sheets) names.push_back(sheet.name);
    return names;
}

Worksheet Workbook::Sheet(int number) {
    if (number < 1 || number > SheetCount())
        throw std::out_of_range("no sheet " + std::to_string(number));
    return Worksheet(*parts_, static_cast<std::size_t>(number - 1));
}

void Workbook::DeleteSheet(int number) {
    if (number < 1 || number > SheetCount())
        throw std::out_of_range("no sheet " + std::to_string(number));
    if (SheetCount() == 1) throw std::logic_error("a workbook keeps at least one sheet");
    const auto index = static_cast<unsigned>(number - 1);
    const detail::SheetEntry removed = parts_->sheets[index];
    pugi::xml_node workbook = WorkbookRoot(*parts_);

    pugi::xml_node sheets = workbook.child("sheets");
    for (pugi::xml_node sheet : sheets.children("sheet")) {
        if (removed.relationId == sheet.attribute("r:id").value()) {
            sheets.remove_child(sheet);
            break;
        }
    }
    pugi::xml_node rels = Relationships(*parts_);
    for (pugi::xml_node rel : rels.children("Relationship")) {
        if (removed.relationId == rel.attribute("Id").value()) {
            rels.remove_child(rel);
            break;
        }
    }
    RemovePart(*parts_, removed.part);

    // Local names are tied to sheet positions; global names that point into the sheet go too.
    pugi::xml_node names = workbook.child("definedNames");
    const std::string plain = removed.name + "!";
    const std::string quoted = "'" + removed.name + "'!";
    for (pugi::xml_node name = names.first_child(); name;) {
        pugi::xml_node next = name.next_sibling();
        pugi::xml_attribute local = name.attribute("localSheetId");
        const std::string text = name.text().get();
        if (local && local.as_uint() == index) {
            names.remove_child(name);
        } else if (local && local.as_uint() > index) {
            local.set_value(local.as_uint() - 1);
        } else if (!local && (text.find(plain) != std::string::npos ||
                              text.find(quoted) != std::string::npos)) {
            names.remove_child(name);
        }
        name = next;
    }
    if (names && !names.first_child()) workbook.remove_child(names);

    const unsigned remaining = static_cast<unsigned>(SheetCount() - 1);
    for (pugi::xml_node view : workbook.child("bookViews").children("workbookView")) {
        for (const char* position : {"activeTab", "firstSheet"}) {
            pugi::xml_attribute attribute = view.attribute(position);
            if (!attribute) continue;
            unsigned value = attribute.as_uint();
            if (value > index || value >= remaining) value = value > 0 ? value - 1 : 0;
            attribute.set_value(value);
        }
    }
    RemoveFromDocumentProperties(*parts_, removed.name);
    parts_->sheets.erase(parts_->sheets.begin() + index);
}

void Workbook::ActivateFirstSheet() {
    ActivateSheet(1);
}

void Workbook::ActivateSheet(int number) {
    if (number < 1 || number > SheetCount())
        throw std::out_of_range("no sheet " + std::to_string(number));
    pugi::xml_node workbook = WorkbookRoot(*parts_);
    pugi::xml_node views = workbook.child("bookViews");
    if (!views && number > 1) {
        views = workbook.insert_child_before("bookViews", workbook.child("sheets"));
        views.append_child("workbookView");
    }
    for (pugi::xml_node view : views.children("workbookView")) {
        view.remove_attribute("activeTab");
        // A first visible tab after the active one would hide it.
        view.remove_attribute("firstSheet");
        if (number > 1) view.append_attribute("activeTab").set_value(number - 1);
    }
    for (std::size_t i = 0; i < parts_->sheets.size(); ++i) {
        pugi::xml_node root = parts_->Xml(parts_->sheets[i].part).child("worksheet");
        for (pugi::xml_node view : root.child("sheetViews").children("sheetView")) {
            view.remove_attribute("tabSelected");
            if (i + 1 == static_cast<std::size_t>(number))
                view.append_attribute("tabSelected").set_value("1");
        }
    }
}

void Workbook::Save(const std::filesystem::path& path) {
    SaveWithType(path, kWorkbookType);
}

void Workbook::SaveAsTemplate(const std::filesystem::path& path) {
    SaveWithType(path, kTemplateType);
}

void Workbook::SaveWithType(const std::filesystem::path& path, const char* contentType) {
    SetWorkbookType(*parts_, contentType);
    RemoveCalculationChain(*parts_);
    RequestFullCalculation(*parts_);
    for (const auto& sheet : parts_->sheets) TidySheet(parts_->Xml(sheet.part).child("worksheet"));
    WriteZipAtomically(path, parts_->Flush());
}

}  // namespace tallwick::sheet
