#pragma once

#include "settings/registry.h"
#include "shell/main_actions.h"
#include "shell/startup.h"

#include <QMainWindow>
#include <QTimer>

class QLabel;
class QMenu;
class QSplitter;

namespace tallwick::ui {

struct ExchangeContext;
class EntryWindow;
class GroupBar;
class RecordListModel;
class RecordListView;
class TProgressBarForm;
class TProgressBar2LineForm;
class WholeFileWatch;

// TMainForm: the group bar, the record list, the menus, the status bar, and every command.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(StartupResult startup, Registry& registry, QWidget* parent = nullptr);
    ~MainWindow() override;

    DatabaseConnection& Connection() { return state_.connection; }
    const AppSettings& Settings() const { return state_.settings; }
    const MainActions& Actions() const { return actions_; }
    RecordListView& List() { return *list_; }
    RecordListModel& ListModel() { return *model_; }
    GroupBar& Groups() { return *groups_; }
    QMenu& ListMenu() { return *listMenu_; }
    // The long-lived progress windows that long operations drive.
    TProgressBarForm& Progress() { return *progress_; }
    TProgressBar2LineForm& TwoBarProgress() { return *twoBarProgress_; }
    // The record entry window, made once and reused for the whole run.
    EntryWindow& Entry() { return *entry_; }

    // The enable rules; evaluated whenever the program is idle.
    void UpdateActions();

    // Handlers of the commands this window runs itself.
    void AddRecords();             // actAddNew: the entry window, adding
    void ModifyRecord();           // actModify: the entry window on the current record
    void DeleteRecords();          // actDelete: the delete dialog
    void CompactDatabase();        // actCompress
    void RestoreBackup();          // actRestore: the safety copies and any backup file
    void EditOptions();            // actOptions
    void ChooseColumns();          // actRecordGrid
    void CheckRecords();           // actCheck: the check dialog
    void CheckSelected();          // actCheckSelected
    void ShowAbout();              // actAbout
    void SearchByIndicator();      // actConditionSearch: the indicator query
    void SearchByCodeRange();      // actSearch: the code range search
    void PrintCurrentRecord();     // actPrint: the annual report of the current record
    void MarkAllRecordsClean();    // the service gesture of the about window
    void VerifyRecords();          // 校验录入: the chosen records keyed again
    void CompareKeyings();         // 比对两次录入
    void ShowVerificationRates();  // 校验录入差错率
    void ReviewRecords();          // 可疑数据审核: the plausibility review

    // The service gesture's callback for a splash shown at start-up.
    std::function<void()> MarkAllCleanCallback();

    // Reads the whole working database in the background; damage found offers the way back.
    void StartWholeFileCheck();
    WholeFileWatch* WholeFileCheck() const { return watch_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildMenus();
    void BuildGroups();
    void BuildListMenu();
    void WireActions();
    bool ListNotEmpty() const;
    void RefreshListKeepingRecord();
    // After the working database was replaced: its label in the caption, the list from the top.
    void AfterDatabaseReplaced();
    ExchangeContext Exchange();
    // Shows the query result list of a condition over the working database.
    void ShowQueryResults(const std::string& condition);
    void OfferWayBackFromDamage(const QString& finding);

    StartupResult state_;
    Registry& registry_;
    MainActions actions_;
    GroupBar* groups_ = nullptr;
    RecordListModel* model_ = nullptr;
    RecordListView* list_ = nullptr;
    QMenu* listMenu_ = nullptr;
    TProgressBarForm* progress_ = nullptr;
    TProgressBar2LineForm* twoBarProgress_ = nullptr;
    EntryWindow* entry_ = nullptr;
    WholeFileWatch* watch_ = nullptr;
    QTimer idle_;
};

}  // namespace tallwick::ui
