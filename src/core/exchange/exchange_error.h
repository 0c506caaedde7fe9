#pragma once

#include "common/user_error.h"

#include <filesystem>
#include <string>

namespace tallwick::exchange {

// "运行中发生错误：<text>,请与软件发行者联系。", the message of an unexpected failure.
inline UserError RunTimeError(const std::string& text) {
    return UserError("运行中发生错误：" + text + ",请与软件发行者联系。");
}

// Refuses a target that is the database file being copied (also through another name or a link).
void RefuseCopyOntoItself(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace tallwick::exchange
