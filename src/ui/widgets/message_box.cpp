#include "widgets/message_box.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
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

bool AskYesNo(const QString& text, QWidget* parent) {
    if (Prompts().question) return Prompts().question(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示信息"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void OpenFileInViewer(const QString& path, QWidget* parent, const QString& savedText) {
    if (Prompts().openFile) return Prompts().openFile(path);
    // A viewer that cannot be started is not an error of the operation that made the file, but
    // the user must learn where the file is.
    const bool started = Prompts().launchViewer
                             ? Prompts().launchViewer(path)
                             : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!started)
        ShowMessage(savedText + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                    parent);
}

}  // namespace tallwick::ui
