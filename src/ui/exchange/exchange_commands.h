#pragma once

#include <QString>

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <functional>

class QWidget;

namespace tallwick::ui {

class TProgressBarForm;

// The data exchange commands of the main window: each runs its dialogs, calls core, and tells
// the user the outcome in the system's words.
struct ExchangeContext {
    QWidget* parent = nullptr;
    SQLite::Database* db = nullptr;
    std::filesystem::path programFolder;
    QString databaseLabel;
    TProgressBarForm* progress = nullptr;
    std::function<void()> refreshList;  // re-read the record list, back to its row
};

void ExportOfflinePackage(const ExchangeContext& context);   // "上报到离线版"
void ExportNetworkReport(const ExchangeContext& context);    // "上报到网络版"
void ImportDataFileCommand(const ExchangeContext& context);  // "数据导入"
void BackupDatabaseCommand(const ExchangeContext& context);  // "数据备份"

}  // namespace tallwick::ui
