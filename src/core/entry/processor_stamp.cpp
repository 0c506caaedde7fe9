#include "entry/processor_stamp.h"

#include <cstdio>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace tallwick::entry {

std::string FormatProcessorStamp(const std::array<std::uint32_t, 4>& registers) {
    std::string stamp;
    for (const std::uint32_t value : registers) {
        char text[9];
        std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
        stamp += text;
    }
    return stamp;
}

std::string ProcessorStamp() {
    std::array<std::uint32_t, 4> registers{};
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) registers = {eax, ebx, ecx, edx};
#endif
    return FormatProcessorStamp(registers);
}

}  // namespace tallwick::entry
