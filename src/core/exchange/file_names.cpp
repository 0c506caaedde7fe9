#include "exchange/file_names.h"

namespace tallwick::exchange {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string TrimBlanks(const std::string& name) {
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

std::string WithExtension(const std::string& name, const std::string& extension) {
    if (CharacterCount(name) > 4 && !EndsWith(name, extension)) return name + extension;
    return name;
}

std::string WithPackageExtension(const std::string& name) {
    if (CharacterCount(name) <= 4 || !EndsWith(name, ".dat")) return name + ".dat";
    return name;
}

}  // namespace tallwick::exchange
