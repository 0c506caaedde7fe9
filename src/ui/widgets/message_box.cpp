#include "widgets/message_box.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace tallwick::ui {

PromptHooks& Prompts() {
    static PromptHooks hooks;
    return hooks;
}

void ShowMessage(const QString& text, QWidget* parent) {
    if (Prompts().message) return Prompts().message(text);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallwick"), text, QMessageBox::Ok, parent);
    box.exec();
}

bool ConfirmWarning(const QString& text, QWidget* parent) {
    if (Prompts().confirmWarning) return Prompts().confirmWarning(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("警告信息"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void OpenFileInViewer(const QString& path) {
    if (Prompts().openFile) return Prompts().openFile(path);
    // A viewer that cannot be started is not an error of the operation that made the file.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace tallwick::ui
