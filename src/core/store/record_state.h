#pragma once

#include <cstdint>

namespace tallwick {

// A value of RecordState by the name the lists give it; nullptr for a value that has none.
inline const char* RecordStateName(std::int64_t state) {
    switch (state) {
        case 0:
            return "临时保存";
        case 1:
            return "无逻辑错误";
        case 2:
            return "有逻辑错误";
        default:
            return nullptr;
    }
}

}  // namespace tallwick
