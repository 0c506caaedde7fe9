#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tallwick::entry {

// The four CPUID leaf 1 registers (EAX, EBX, ECX, EDX) as 32 upper-case hexadecimal digits.
std::string FormatProcessorStamp(const std::array<std::uint32_t, 4>& registers);

// The stamp of this machine, written into c900 of every record it writes; 32 zeros where the
// processor has no such instruction.
std::string ProcessorStamp();

}  // namespace tallwick::entry
