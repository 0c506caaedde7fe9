#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tallwick::ui {

// The program's message box: modal, one OK button, the text exactly as given.
void ShowMessage(const QString& text, QWidget* parent = nullptr);

// The warning confirmation "警告信息" with a question icon and Yes/No; true on Yes.
bool ConfirmWarning(const QString& text, QWidget* parent = nullptr);

// A question "提示信息" with Yes/No; true on Yes.
bool AskYesNo(const QString& text, QWidget* parent = nullptr);

// Shows a file to the user with the desktop's viewer for its type. When the desktop cannot
// start one, a message gives the file's full path instead: savedText followed by the path.
void OpenFileInViewer(const QString& path, QWidget* parent = nullptr,
                      const QString& savedText = QStringLiteral("文件已保存到："));

// Tests answer message boxes through these instead of a modal window; empty means the real box.
struct PromptHooks {
    std::function<void(const QString& text)> message;
    std::function<bool(const QString& text)> confirmWarning;
    std::function<bool(const QString& text)> question;
    std::function<void(const QString& path)> openFile;
    // Stands in for the desktop's launcher (true when a viewer started) under openFile's default.
    std::function<bool(const QString& path)> launchViewer;
};
PromptHooks& Prompts();

}  // namespace tallwick::ui
