#include "widgets/error_display.h"

#include "common/failure_text.h"
#include "common/user_error.h"
#include "widgets/message_box.h"

namespace tallwick::ui {

QString UncaughtErrorText(const std::exception& error,
                          const std::filesystem::path& workingDatabase) {
    if (dynamic_cast<const UserError*>(&error) != nullptr) return QString::fromUtf8(error.what());
    return QStringLiteral("运行中发生错误：") +
           QString::fromStdString(FailureText(error, workingDatabase, workingDatabase));
}

bool ReportErrors(const std::function<void()>& action, QWidget* parent,
                  const std::filesystem::path& workingDatabase) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error, workingDatabase), parent);
    }
    return false;
}

}  // namespace tallwick::ui
