#include "sheet/deflated_file.h"

#include <zlib.h>

#include <stdexcept>

namespace tallwick::sheet {
namespace {

constexpr int kRawWindow = -15;  // raw deflate: the zip entry carries no zlib header
constexpr std::size_t kChunk = 256 * 1024;

// Feeds `text` through `stream` with `flush`, handing each filled chunk to `out`.
template <typename Out>
void Pump(z_stream& stream, std::string_view text, int flush, Out&& out) {
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    unsigned char chunk[kChunk];
    do {
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        const int result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
        out(reinterpret_cast<const char*>(chunk), sizeof chunk - stream.avail_out);
    } while (stream.avail_out == 0 || stream.avail_in > 0);
}

struct Deflater {
    z_stream stream{};
    explicit Deflater(int level) {
        if (deflateInit2(&stream, level, Z_DEFLATED, kRawWindow, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::runtime_error("deflate failed");
    }
    ~Deflater() { deflateEnd(&stream); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
};

}  // namespace

DeflatedFile::DeflatedFile(std::filesystem::path path, int level)
    : path_(std::move(path)), level_(level) {
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) throw std::runtime_error("cannot create " + path_.string());
    worker_ = std::thread([this] { Work(); });
}

DeflatedFile::~DeflatedFile() {
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
    if (file_) std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

void DeflatedFile::Append(std::string& block) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < 2 || failure_; });
    if (failure_) std::rethrow_exception(failure_);
    queue_.push_back(std::move(block));
    block = std::move(spare_);
    block.clear();
    lock.unlock();
    changed_.notify_all();
}

void DeflatedFile::Finish() {
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    worker_.join();
    if (failure_) std::rethrow_exception(failure_);
    const bool failed = std::fclose(file_) != 0;
    file_ = nullptr;
    if (failed) throw std::runtime_error("cannot write " + path_.string());
}

void DeflatedFile::Work() {
    try {
        Deflater deflater(level_);
        uLong crc = crc32(0, nullptr, 0);
        const auto write = [this](const char* bytes, std::size_t count) {
            if (count > 0 && std::fwrite(bytes, 1, count, file_) != count)
                throw std::runtime_error("cannot write " + path_.string());
            compressedSize_ += count;
        };
        for (;;) {
            std::string block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return !queue_.empty() || finishing_; });
                if (queue_.empty()) break;
                block = std::move(queue_.front());
                queue_.pop_front();
            }
            changed_.notify_all();
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(block.data()), block.size());
            textSize_ += block.size();
            Pump(deflater.stream, block, Z_NO_FLUSH, write);
            std::lock_guard lock(mutex_);
            spare_ = std::move(block);
        }
        Pump(deflater.stream, {}, Z_SYNC_FLUSH, write);
        crc_ = static_cast<std::uint32_t>(crc);
    } catch (...) {
        std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
    }
    changed_.notify_all();
}

std::string DeflatePart(std::string_view text, bool last, int level) {
    Deflater deflater(level);
    std::string out;
    Pump(deflater.stream, text, last ? Z_FINISH : Z_SYNC_FLUSH,
         [&](const char* bytes, std::size_t count) { out.append(bytes, count); });
    return out;
}

std::uint32_t CombineCrc(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    return static_cast<std::uint32_t>(
        crc32_combine64(first, second, static_cast<z_off64_t>(secondLength)));
}

std::uint32_t Crc32(std::string_view text) {
    return static_cast<std::uint32_t>(
        crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(text.data()), text.size()));
}

}  // namespace tallwick::sheet
