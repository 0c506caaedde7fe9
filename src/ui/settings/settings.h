#pragma once

#include "settings/registry.h"

#include <QString>

namespace tallwick::ui {

// Settings valid for the run, read at start-up.
struct AppSettings {
    QString imePrefer;           // preferred input method; stored and shown, no switching here
    bool inputWndStyle = false;  // mirrored by a hidden control of the options dialog
    bool importPrinciple = false;
};

// Reads the settings; on a machine without the installer's "Version" value it writes the
// first-run values instead (again at every start until that value exists).
AppSettings LoadSettings(Registry& registry, const QString& programFolder);

// Writes ShowGrid = 1 and reads it back: the record list shows only when it reads 1. A refused
// write is tolerated; what the file holds decides.
bool WriteAndReadShowGrid(Registry& registry);

// How many safety copies stay ("SafetyCopyCount" of the options key); the default when unset or
// not a positive number.
int ReadSafetyCopiesKept(const Registry& registry);
// Stores the number and has the safety copies of this run keep it.
void WriteSafetyCopiesKept(Registry& registry, int kept);
// Has the safety copies of this run keep what the settings say.
void ApplySafetyCopySetting(const Registry& registry);

// Where the file dialogs of the program start.
QString DocumentsFolder();

}  // namespace tallwick::ui
