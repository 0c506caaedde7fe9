#include "shell/guarded_application.h"

#include "widgets/error_display.h"
#include "widgets/message_box.h"

namespace tallwick::ui {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error, workingDatabase_), activeWindow());
    } catch (...) {
        ShowMessage(QStringLiteral("运行中发生错误：未知错误"), activeWindow());
    }
    return false;
}

}  // namespace tallwick::ui
