#pragma once

#include <QString>

#include <SQLiteCpp/Database.h>

#include <filesystem>

class QWidget;

namespace tallwick::ui {

class TProgressBarForm;

// Prints the annual report of the record with code `code`: fills the template beside the
// program while `progress` (the shared window, may be null) counts the sheets, saves the
// workbook in `outputFolder` (the documents folder when empty) as
// "2018打印表-<code>-<yyyyMMddHHmmss>.xlsx" and opens it in the desktop's viewer. The main
// window leaves the first sheet active, the entry window the last one filled. Errors are shown
// in the message box; returns the workbook's path, or an empty text when nothing was printed.
QString PrintAnnualReport(QWidget* parent, SQLite::Database& db,
                          const std::filesystem::path& programFolder, double code,
                          bool activateFirstSheet, TProgressBarForm* progress,
                          const QString& outputFolder = {});

}  // namespace tallwick::ui
