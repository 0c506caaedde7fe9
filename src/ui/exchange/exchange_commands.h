#pragma once

#include <QString>

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <functional>

class QWidget;

namespace tallwick::exchange {
class PreparedImport;
}

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
    // Lists the records of a query condition ("where …") for the user to look at and mend.
    std::function<void(const std::string& condition)> showRecords;
};

void ExportOfflinePackage(const ExchangeContext& context);   // "上报到离线版"
void ExportNetworkReport(const ExchangeContext& context);    // "上报到网络版"
void ImportDataFileCommand(const ExchangeContext& context);  // "数据导入"
void BackupDatabaseCommand(const ExchangeContext& context);  // "数据备份"
void ShowImportHistory(const ExchangeContext& context);      // "导入记录"

// After an import refused for codes already present: the conflict view, and on its "导  入" the
// import with the user's decisions. Nothing changes when the view is cancelled (false).
bool ResolveCollisionsAndImport(const ExchangeContext& context,
                                const exchange::PreparedImport& prepared);

}  // namespace tallwick::ui
