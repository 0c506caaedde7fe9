#include "common/local_time.h"

namespace tallwick {

std::tm CurrentLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string FormatCurrentLocalTime(const char* format) {
    const std::tm local = CurrentLocalTime();
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

}  // namespace tallwick
