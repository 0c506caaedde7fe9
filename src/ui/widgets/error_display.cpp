#include "widgets/error_display.h"

#include "common/user_error.h"
#include "widgets/message_box.h"

namespace tallwick::ui {

QString UncaughtErrorText(const std::exception& error) {
    const QString text = QString::fromUtf8(error.what());
    if (dynamic_cast<const UserError*>(&error) != nullptr) return text;
    return QStringLiteral("运行中发生错误：") + text;
}

bool ReportErrors(const std::function<void()>& action, QWidget* parent) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), parent);
    }
    return false;
}

}  // namespace tallwick::ui
