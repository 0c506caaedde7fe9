#pragma once

#include "common/user_error.h"

#include <string>

namespace tallwick::exchange {

// "运行中发生错误：<text>,请与软件发行者联系。", the message of an unexpected failure.
inline UserError RunTimeError(const std::string& text) {
    return UserError("运行中发生错误：" + text + ",请与软件发行者联系。");
}

}  // namespace tallwick::exchange
