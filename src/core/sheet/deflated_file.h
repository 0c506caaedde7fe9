#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace tallwick::sheet {

// Text deflated on a second thread into a file of its own, as one part of a raw deflate stream
// that other parts may follow (it ends on a byte boundary and is not final). The writer hands
// over whole blocks and goes on producing the next while the last one is compressed.
class DeflatedFile {
  public:
    explicit DeflatedFile(std::filesystem::path path, int level = 1);
    ~DeflatedFile();  // stops the worker and removes the file
    DeflatedFile(const DeflatedFile&) = delete;
    DeflatedFile& operator=(const DeflatedFile&) = delete;

    // Takes the block (left empty for reuse); waits while two blocks are still queued. Rethrows a
    // failure of the worker.
    void Append(std::string& block);
    // Compresses what is queued, ends the part and closes the file; throws on any failure.
    void Finish();

    const std::filesystem::path& Path() const { return path_; }
    std::uint64_t TextSize() const { return textSize_; }
    std::uint64_t CompressedSize() const { return compressedSize_; }
    std::uint32_t Crc() const { return crc_; }

  private:
    void Work();

    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    int level_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;
    std::string spare_;  // a compressed block's buffer, handed back to the writer
    bool finishing_ = false;
    bool done_ = false;
    std::exception_ptr failure_;
    std::uint64_t textSize_ = 0;
    std::uint64_t compressedSize_ = 0;
    std::uint32_t crc_ = 0;
    std::thread worker_;
};

// `text` as one part of a raw deflate stream: the last part ends the stream, any other ends on a
// byte boundary so that the next part's bytes can follow it directly.
std::string DeflatePart(std::string_view text, bool last, int level = 1);

// The CRC-32 of two texts one after the other, from the CRC of each and the second's length.
std::uint32_t CombineCrc(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);
std::uint32_t Crc32(std::string_view text);

}  // namespace tallwick::sheet
