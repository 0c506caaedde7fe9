#pragma once

#include <QString>

class QWidget;

namespace tallwick::ui {

// The program's message box: modal, one OK button, the text exactly as given.
void ShowMessage(const QString& text, QWidget* parent = nullptr);

}  // namespace tallwick::ui
