#pragma once

#include <QString>

class QWidget;

namespace tallwick::ui {

// A chosen file name with `extension` (".dat", ".mdb") appended when it is too short to carry it
// or does not end in it exactly (case matters: "pkg.DAT" becomes "pkg.DAT.dat").
QString WithExtension(const QString& fileName, const QString& extension);

// The save and open dialogs of the exchange commands: they start in the documents folder (made
// when missing); the save dialog asks before replacing a file. Empty when cancelled or blank.
QString AskSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& suggestedName, const QString& extension);
QString AskOpenFileName(QWidget* parent, const QString& title, const QString& filter);

}  // namespace tallwick::ui
