#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tallwick::ui {

// The program's message box: modal, one OK button, the text exactly as given.
void ShowMessage(const QString& text, QWidget* parent = nullptr);

// The warning confirmation "警告信息" with a question icon and Yes/No; true on Yes.
bool ConfirmWarning(const QString& text, QWidget* parent = nullptr);

// Shows a file to the user with the desktop's viewer for its type.
void OpenFileInViewer(const QString& path);

// Tests answer message boxes through these instead of a modal window; empty means the real box.
struct PromptHooks {
    std::function<void(const QString& text)> message;
    std::function<bool(const QString& text)> confirmWarning;
    std::function<void(const QString& path)> openFile;
};
PromptHooks& Prompts();

}  // namespace tallwick::ui
