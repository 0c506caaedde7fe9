#include "entry/edit_journal.h"

#include "common/durable_file.h"
#include "common/json_value.h"
#include "entry/record_io.h"

#include <openssl/evp.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tallwick::entry {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFormat = "tallwick-entry-journal";
constexpr int kVersion = 1;
// The content's digest closes the file: `{content,"sha256":"<64 hex digits>"}`.
constexpr std::string_view kDigestMember = ",\"sha256\":\"";
constexpr std::size_t kDigestLength = 64;

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 failed");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

// The content before the digest member when the digest matches it.
std::optional<std::string_view> IntactContent(std::string_view text) {
    if (text.ends_with('\n')) text.remove_suffix(1);
    const std::size_t tail = kDigestMember.size() + kDigestLength + 2;  // `"}` closes it
    if (text.size() < tail || !text.ends_with("\"}")) return std::nullopt;
    const std::size_t member = text.size() - tail;
    if (text.substr(member, kDigestMember.size()) != kDigestMember) return std::nullopt;
    const std::string_view digest = text.substr(member + kDigestMember.size(), kDigestLength);
    const std::string_view content = text.substr(0, member);
    if (digest != Sha256Hex(content)) return std::nullopt;
    return content;
}

const std::string* TextMember(const JsonValue& object, std::string_view name) {
    const JsonValue* value = object.Member(name);
    return value != nullptr && value->kind == JsonValue::Kind::String ? &value->text : nullptr;
}

fs::path JournalPath(const fs::path& folder) {
    return folder / kEditJournalName;
}

}  // namespace

std::string FormatEditJournal(const EditJournal& journal) {
    std::string content =
        "{\"format\":" + JsonQuoted(kFormat) + ",\"version\":" + std::to_string(kVersion) +
        ",\"newRecord\":" + (journal.newRecord ? "true" : "false") +
        ",\"code\":" + JsonQuoted(journal.newRecord ? "" : CodeText(journal.code)) +
        ",\"name\":" + JsonQuoted(journal.name) + ",\"time\":" + JsonQuoted(journal.time) +
        ",\"page\":" + std::to_string(journal.page) + ",\"fields\":{";
    const auto members = [&content](const std::vector<std::pair<std::string, std::string>>& list) {
        const char* separator = "\n";
        for (const auto& [field, value] : list) {
            content += separator + JsonQuoted(field) + ":" + JsonQuoted(value);
            separator = ",\n";
        }
    };
    members(journal.fields);
    content += "},\"before\":{";
    members(journal.before);
    return SealJournalContent(content + "}");
}

JournalRestore PlanJournalRestore(const EditJournal& journal,
                                  const std::vector<std::pair<std::string, std::string>>& current,
                                  bool wholeRecord) {
    const auto find = [](const std::vector<std::pair<std::string, std::string>>& list,
                         const std::string& field) -> const std::string* {
        for (const auto& [name, value] : list)
            if (name == field) return &value;
        return nullptr;
    };
    JournalRestore plan;
    if (wholeRecord || journal.before.empty()) {
        plan.apply = journal.fields;
        return plan;
    }
    for (const auto& [field, edited] : journal.fields) {
        const std::string* before = find(journal.before, field);
        if (before != nullptr && *before == edited) continue;
        const std::string* now = find(current, field);
        if (before != nullptr && now != nullptr && *before != *now)
            plan.conflicts.push_back({field, *before, *now, edited});
        else
            plan.apply.emplace_back(field, edited);
    }
    return plan;
}

std::string SealJournalContent(const std::string& content) {
    return content + std::string(kDigestMember) + Sha256Hex(content) + "\"}\n";
}

std::optional<EditJournal> ParseEditJournal(std::string_view text) {
    const auto content = IntactContent(text);
    if (!content) return std::nullopt;
    const auto document = ParseJson(text);
    if (!document || document->kind != JsonValue::Kind::Object) return std::nullopt;
    const std::string* format = TextMember(*document, "format");
    const JsonValue* version = document->Member("version");
    const JsonValue* newRecord = document->Member("newRecord");
    const std::string* code = TextMember(*document, "code");
    const std::string* name = TextMember(*document, "name");
    const std::string* time = TextMember(*document, "time");
    const JsonValue* page = document->Member("page");
    const JsonValue* fields = document->Member("fields");
    if (format == nullptr || *format != kFormat || version == nullptr ||
        version->kind != JsonValue::Kind::Number || version->number != kVersion ||
        newRecord == nullptr || newRecord->kind != JsonValue::Kind::Bool || code == nullptr ||
        name == nullptr || time == nullptr || page == nullptr ||
        page->kind != JsonValue::Kind::Number || fields == nullptr ||
        fields->kind != JsonValue::Kind::Object)
        return std::nullopt;

    EditJournal journal;
    journal.newRecord = newRecord->boolean;
    if (!journal.newRecord) {
        char* end = nullptr;
        journal.code = std::strtod(code->c_str(), &end);
        if (code->empty() || *end != '\0' || !std::isfinite(journal.code)) return std::nullopt;
    }
    journal.name = *name;
    journal.time = *time;
    journal.page = static_cast<int>(page->number);
    for (const auto& [field, value] : fields->members) {
        if (value.kind != JsonValue::Kind::String) return std::nullopt;
        journal.fields.emplace_back(field, value.text);
    }
    if (const JsonValue* before = document->Member("before")) {
        if (before->kind != JsonValue::Kind::Object) return std::nullopt;
        for (const auto& [field, value] : before->members) {
            if (value.kind != JsonValue::Kind::String) return std::nullopt;
            journal.before.emplace_back(field, value.text);
        }
    }
    return journal;
}

void WriteEditJournal(const fs::path& folder, const EditJournal& journal) {
    WriteFileDurably(JournalPath(folder), FormatEditJournal(journal));
}

JournalReading ReadEditJournal(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(JournalPath(folder), error);
    if (!fs::exists(status)) return {};
    // A folder of that name, or a file that cannot be read, is no journal: damaged.
    if (!fs::is_regular_file(status)) return {JournalStatus::kDamaged, {}};
    std::string text;
    try {
        std::ifstream in(JournalPath(folder), std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return {JournalStatus::kDamaged, {}};
    }
    auto journal = ParseEditJournal(text);
    if (!journal) return {JournalStatus::kDamaged, {}};
    return {JournalStatus::kFound, std::move(*journal)};
}

void RemoveEditJournal(const fs::path& folder) {
    std::error_code ignored;
    fs::remove(JournalPath(folder), ignored);
}

void SetDamagedJournalAside(const fs::path& folder) {
    // Whatever stands there (a file, or a folder of that name): it must not be met again, and
    // the earlier damaged journal it replaces is only ever a file this program put aside.
    const fs::path aside = folder / kDamagedJournalName;
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(JournalPath(folder), error)) &&
        fs::is_regular_file(fs::symlink_status(aside, error)))
        fs::remove(aside, error);
    fs::rename(JournalPath(folder), aside, error);
    if (!error) return;
    for (int counter = 2; counter < 100 && error; ++counter)
        fs::rename(JournalPath(folder),
                   folder / ("entry-journal.damaged-" + std::to_string(counter) + ".json"), error);
}

}  // namespace tallwick::entry
