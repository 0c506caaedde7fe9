#include "widgets/file_dialogs.h"

#include "settings/settings.h"

#include <QDir>
#include <QFileDialog>

namespace tallwick::ui {
namespace {

QString StartFolder() {
    const QString folder = DocumentsFolder();
    QDir().mkpath(folder);
    return folder;
}

}  // namespace

QString WithExtension(const QString& fileName, const QString& extension) {
    if (fileName.size() <= extension.size() || !fileName.endsWith(extension, Qt::CaseSensitive)) {
        return fileName + extension;
    }
    return fileName;
}

QString AskSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& suggestedName, const QString& extension) {
    const QString chosen = QFileDialog::getSaveFileName(
                               parent, title, QDir(StartFolder()).filePath(suggestedName), filter)
                               .trimmed();
    return chosen.isEmpty() ? QString() : WithExtension(chosen, extension);
}

QString AskOpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, StartFolder(), filter);
}

}  // namespace tallwick::ui
