#include "sheet/package_parts.h"

#include "sheet/cell_address.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace tallwick::sheet::detail {
namespace {

constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

// The text of a shared string: plain <t>, or the runs of rich text without phonetic guides.
void CollectText(const pugi::xml_node& node, std::string& text) {
    for (pugi::xml_node child : node.children()) {
        const std::string_view name = child.name();
        if (name == "t")
            text += child.text().get();
        else if (name == "r")
            CollectText(child, text);
    }
}

// A row or cell may leave out its reference when it follows the previous one (as the data list
// writes them); everything here addresses cells by reference, so the references are written in.
void FillInReferences(pugi::xml_node worksheet) {
    int row = 0;
    for (pugi::xml_node rowNode : worksheet.child("sheetData").children("row")) {
        if (const pugi::xml_attribute r = rowNode.attribute("r")) {
            row = r.as_int();
        } else {
            rowNode.prepend_attribute("r").set_value(++row);
        }
        int column = 0;
        for (pugi::xml_node cell : rowNode.children("c")) {
            if (const pugi::xml_attribute r = cell.attribute("r")) {
                const auto address = ParseCellName(r.value());
                column = address ? address->column : column + 1;
            } else {
                cell.prepend_attribute("r").set_value(CellName(row, ++column).c_str());
            }
        }
    }
}

}  // namespace

bool PackageParts::Has(const std::string& name) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const ZipEntry& entry) { return entry.name == name; });
}

pugi::xml_document& PackageParts::Xml(const std::string& name) {
    auto& doc = docs_[name];
    if (doc) return *doc;
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const ZipEntry& e) { return e.name == name; });
    if (entry == entries_.end()) throw std::runtime_error("missing part " + name);
    doc = std::make_unique<pugi::xml_document>();
    const auto result = doc->load_buffer(entry->bytes.data(), entry->bytes.size(), kParseFlags);
    if (!result) throw std::runtime_error(name + ": " + result.description());
    if (pugi::xml_node worksheet = doc->child("worksheet")) FillInReferences(worksheet);
    return *doc;
}

void PackageParts::Remove(const std::string& name) {
    docs_.erase(name);
    std::erase_if(entries_, [&](const ZipEntry& entry) { return entry.name == name; });
}

const std::vector<ZipEntry>& PackageParts::Flush() {
    for (ZipEntry& entry : entries_) {
        const auto doc = docs_.find(entry.name);
        if (doc == docs_.end()) continue;
        std::ostringstream out;
        doc->second->save(out, "", pugi::format_raw, pugi::encoding_utf8);
        entry.bytes = out.str();
    }
    return entries_;
}

const std::vector<std::string>& PackageParts::SharedStrings() {
    if (sharedStrings_) return *sharedStrings_;
    sharedStrings_ = std::make_unique<std::vector<std::string>>();
    const std::string part = "xl/sharedStrings.xml";
    if (!Has(part)) return *sharedStrings_;
    for (pugi::xml_node item : Xml(part).child("sst").children("si")) {
        std::string text;
        CollectText(item, text);
        sharedStrings_->push_back(std::move(text));
    }
    return *sharedStrings_;
}

int PackageParts::LeftAligned(int xf) {
    if (const auto known = leftAligned_.find(xf); known != leftAligned_.end()) return known->second;
    pugi::xml_node cellXfs = Xml("xl/styles.xml").child("styleSheet").child("cellXfs");
    if (!cellXfs) throw std::runtime_error("styles without cellXfs");
    std::vector<pugi::xml_node> formats;
    for (pugi::xml_node format : cellXfs.children("xf")) formats.push_back(format);
    if (xf < 0 || static_cast<std::size_t>(xf) >= formats.size())
        throw std::runtime_error("cell style " + std::to_string(xf) + " does not exist");
    pugi::xml_node copy = cellXfs.append_copy(formats[static_cast<std::size_t>(xf)]);
    pugi::xml_node alignment = copy.child("alignment");
    if (!alignment) alignment = copy.prepend_child("alignment");
    if (!alignment.attribute("horizontal")) alignment.append_attribute("horizontal");
    alignment.attribute("horizontal").set_value("left");
    if (!copy.attribute("applyAlignment")) copy.append_attribute("applyAlignment");
    copy.attribute("applyAlignment").set_value("1");
    const int index = static_cast<int>(formats.size());
    if (!cellXfs.attribute("count")) cellXfs.append_attribute("count");
    cellXfs.attribute("count").set_value(index + 1);
    leftAligned_[xf] = index;
    leftAligned_[index] = index;
    return index;
}

std::string ResolveTarget(const std::string& base, const std::string& target) {
    if (!target.empty() && target.front() == '/') return target.substr(1);
    std::string folder = base.substr(0, base.rfind('/') + 1);
    std::string rest = target;
    while (rest.rfind("../", 0) == 0) {
        rest.erase(0, 3);
        folder.pop_back();
        folder.erase(folder.rfind('/') + 1);
    }
    return folder + rest;
}

std::string RelationsPart(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

}  // namespace tallwick::sheet::detail
