#pragma once

#include <filesystem>
#include <string_view>

namespace tallwick {

// Replaces `target` so that a crash or a power cut at any moment leaves either the old file or
// the complete new one: the bytes go to a private temporary file beside it, which is flushed to
// the disk, renamed over the target, and the folder's entry flushed too.
void WriteFileDurably(const std::filesystem::path& target, std::string_view bytes);

}  // namespace tallwick
