#include "sheet/zip_archive.h"

#include "common/file_io.h"

#include <zip.h>

#include <memory>
#include <stdexcept>
#include <system_error>

namespace tallwick::sheet {
namespace fs = std::filesystem;

namespace {

std::string ZipMessage(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

}  // namespace

std::vector<ZipEntry> ReadZip(const fs::path& path) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!archive) throw std::runtime_error(path.string() + ": " + ZipMessage(code));
    const std::unique_ptr<zip_t, decltype(&zip_discard)> owner(archive, &zip_discard);

    std::vector<ZipEntry> entries;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
            throw std::runtime_error(path.string() + ": " + zip_strerror(archive));
        ZipEntry entry{stat.name, {}};
        if (entry.name.empty() || entry.name.back() == '/') continue;
        entry.bytes.resize(stat.size);
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
        if (!file) throw std::runtime_error(path.string() + ": " + zip_strerror(archive));
        const zip_int64_t read = zip_fread(file, entry.bytes.data(), stat.size);
        zip_fclose(file);
        if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size)
            throw std::runtime_error(path.string() + ": cannot read " + entry.name);
        entries.push_back(std::move(entry));
    }
    return entries;
}

void WriteZipAtomically(const fs::path& target, const std::vector<ZipEntry>& entries) {
    // Private from its first byte: the archive is written over the empty file that mkstemp made,
    // and the library's own temporary takes that file's mode.
    const fs::path temp = CreatePrivateTempFile(target);
    try {
        int code = 0;
        zip_t* archive = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (!archive) throw std::runtime_error(temp.string() + ": " + ZipMessage(code));
        // The buffers are the caller's entries, which outlive zip_close.
        for (const ZipEntry& entry : entries) {
            zip_source_t* source =
                zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
            if (!source ||
                zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
                if (source) zip_source_free(source);
                const std::string message = zip_strerror(archive);
                zip_discard(archive);
                throw std::runtime_error(temp.string() + ": " + message);
            }
        }
        if (zip_close(archive) != 0) {
            const std::string message = zip_strerror(archive);
            zip_discard(archive);
            throw std::runtime_error(temp.string() + ": " + message);
        }
        fs::rename(temp, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

}  // namespace tallwick::sheet
