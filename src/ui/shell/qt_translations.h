#pragma once

class QCoreApplication;

namespace tallwick::ui {

// Loads Qt's own Chinese texts (Yes/No/OK/Cancel, the file dialogs) into the application, so
// that no English word appears beside the program's own. False when they are not installed.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace tallwick::ui
