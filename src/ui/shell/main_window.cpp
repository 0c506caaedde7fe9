#include "shell/main_window.h"

#include "check/check_dialog.h"
#include "entry/entry_window.h"
#include "entry/verification_pass.h"
#include "exchange/damaged_database_offer.h"
#include "exchange/exchange_commands.h"
#include "exchange/restore_dialog.h"
#include "list/column_chooser_dialog.h"
#include "list/delete_dialog.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "print/print_command.h"
#include "query/data_list_dialog.h"
#include "query/query_indicator_dialog.h"
#include "query/query_result_list.h"
#include "query/query_search_dialogs.h"
#include "review/review_window.h"
#include "shell/about_dialog.h"
#include "shell/group_bar.h"
#include "shell/options_dialog.h"
#include "shell/whole_file_watch.h"
#include "store/compaction.h"
#include "summary/group_list_dialog.h"
#include "summary/summary_dialog.h"
#include "verify/keying_commands.h"
#include "verify/verification_choice_dialog.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"
#include "widgets/question_dialog.h"
#include "widgets/running_operation.h"
#include "widgets/two_bar_progress_window.h"

#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace tallwick::ui {

MainWindow::MainWindow(StartupResult startup, Registry& registry, QWidget* parent)
    : QMainWindow(parent), state_(std::move(startup)), registry_(registry), actions_(this) {
    setWindowTitle(QStringLiteral("Tallwick - ") + state_.databaseLabel);

    auto* version = new QLabel(StatusVersionText());
    version->setObjectName(QStringLiteral("StatusVersion"));
    auto* clock = new QLabel(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));
    clock->setFixedWidth(104);
    clock->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(version, 1);
    statusBar()->addPermanentWidget(clock);

    // The model asks for the connection each time: compaction reopens it.
    model_ = new RecordListModel([this]() -> SQLite::Database& { return Connection().Db(); }, this);
    list_ = new RecordListView(model_);
    list_->setObjectName(QStringLiteral("RecordGrid"));
    model_->Reload();
    list_->SetListShown(state_.showGrid);

    auto* listArea = new QWidget;
    auto* listLayout = new QVBoxLayout(listArea);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    auto* strip = new QWidget;
    strip->setFixedHeight(18);
    listLayout->addWidget(strip);
    listLayout->addWidget(list_);

    groups_ = new GroupBar;
    auto* splitter = new QSplitter;
    splitter->addWidget(groups_);
    splitter->addWidget(listArea);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({108, 1000});
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);

    entry_ = new EntryWindow(
        [this]() -> SQLite::Database& { return Connection().Db(); }, registry_,
        QString::fromStdString(Connection().CurrentDatabasePath().parent_path().string()), this);
    progress_ = new TProgressBarForm(this);
    entry_->printRecord = [this](double code) {
        PrintAnnualReport(entry_, Connection().Db(),
                          Connection().CurrentDatabasePath().parent_path(), code, false, progress_);
    };
    twoBarProgress_ = new TProgressBar2LineForm(this);

    BuildMenus();
    BuildGroups();
    BuildListMenu();
    WireActions();

    // Enable rules are cheap; re-evaluating them a few times a second keeps them true after
    // anything that changes the list, without every change having to remember them.
    connect(&idle_, &QTimer::timeout, this, &MainWindow::UpdateActions);
    connect(&RunningOperationSignals::Instance(), &RunningOperationSignals::changed, this,
            &MainWindow::UpdateActions);
    idle_.start(150);
    UpdateActions();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
    const auto& a = actions_;
    QMenu* records = menuBar()->addMenu(QStringLiteral("数据记录"));
    records->addActions({a.addNew, a.modify, a.remove, a.print});
    menuBar()->addMenu(QStringLiteral("查找"))->addActions({a.locate, a.search});
    QMenu* checks = menuBar()->addMenu(QStringLiteral("逻辑检查"));
    checks->addActions({a.checkSelected, a.check});
    checks->addAction(QStringLiteral("可疑数据审核"), this, &MainWindow::ReviewRecords);
    QMenu* processing = menuBar()->addMenu(QStringLiteral("数据处理"));
    processing->addActions({a.group, a.sum});
    processing->addSeparator();
    processing->addAction(QStringLiteral("校验录入"), this, &MainWindow::VerifyRecords);
    processing->addAction(QStringLiteral("比对两次录入"), this, &MainWindow::CompareKeyings);
    processing->addAction(QStringLiteral("校验录入差错率"), this,
                          &MainWindow::ShowVerificationRates);
    menuBar()
        ->addMenu(QStringLiteral("工具"))
        ->addActions({a.options, a.compress, a.restore, a.recordGrid});
    menuBar()->addAction(a.about);
    menuBar()->addAction(a.quit);
}

void MainWindow::BuildGroups() {
    const auto& a = actions_;
    groups_->AddGroup(QStringLiteral("数据操作"),
                      {a.addNew, a.modify, a.remove, a.check, a.conditionSearch, a.sum, a.group,
                       a.saveList, a.print});
    groups_->AddGroup(QStringLiteral("备份与上报"),
                      {a.fastImport, a.backup, a.exportOffline, a.exportNetwork, a.importHistory});
    groups_->AddGroup(QStringLiteral("系统工具"), {a.compress, a.restore, a.options, a.recordGrid});
    groups_->setCurrentIndex(1);
}

void MainWindow::BuildListMenu() {
    const auto& a = actions_;
    listMenu_ = new QMenu(this);
    listMenu_->addActions({a.addNew, a.modify, a.remove});
    listMenu_->addSeparator();
    listMenu_->addActions({a.locate, a.search});
    listMenu_->addSeparator();
    listMenu_->addAction(a.checkSelected);
    listMenu_->addSeparator();
    listMenu_->addActions({a.recordGrid, a.print});
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { listMenu_->popup(list_->viewport()->mapToGlobal(at)); });
}

void MainWindow::WireActions() {
    const auto& a = actions_;
    // No command starts while an operation runs, whichever way it was asked for.
    const auto on = [this](QAction* action, std::function<void()> handler) {
        connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
            if (!RefuseWhileOperationRuns(this)) handler();
        });
    };
    on(a.addNew, [this] { AddRecords(); });
    on(a.modify, [this] { ModifyRecord(); });
    on(a.remove, [this] { DeleteRecords(); });
    on(a.compress, [this] { CompactDatabase(); });
    on(a.restore, [this] { RestoreBackup(); });
    on(a.importHistory, [this] { ShowImportHistory(Exchange()); });
    on(a.options, [this] { EditOptions(); });
    on(a.recordGrid, [this] { ChooseColumns(); });
    on(a.check, [this] { CheckRecords(); });
    on(a.checkSelected, [this] { CheckSelected(); });
    on(a.about, [this] { ShowAbout(); });
    on(a.sum, [this] {
        SummaryDialog dialog(Connection().Db(), Connection().CurrentDatabasePath().parent_path(),
                             twoBarProgress_, this);
        dialog.exec();
    });
    on(a.group, [this] {
        GroupListDialog dialog(Connection().Db(), Connection().CurrentDatabasePath().parent_path(),
                               progress_, this);
        dialog.exec();
    });
    on(a.saveList, [this] {
        DataListDialog dialog(Connection().Db(), Connection().CurrentDatabasePath().parent_path(),
                              state_.databaseLabel, registry_, progress_, this);
        dialog.exec();
    });
    on(a.locate, [this] {
        LocateDialog dialog(Connection().Db(), *list_, this);
        dialog.exec();
    });
    on(a.print, [this] { PrintCurrentRecord(); });
    on(a.conditionSearch, [this] { SearchByIndicator(); });
    on(a.search, [this] { SearchByCodeRange(); });
    on(a.fastImport, [this] { ImportDataFileCommand(Exchange()); });
    on(a.backup, [this] { BackupDatabaseCommand(Exchange()); });
    on(a.exportOffline, [this] { ExportOfflinePackage(Exchange()); });
    on(a.exportNetwork, [this] { ExportNetworkReport(Exchange()); });
    connect(a.quit, &QAction::triggered, this, &QWidget::close);
    // Keys on the list run the handlers whatever the enable rules say.
    connect(list_, &RecordListView::deleteRequested, this, &MainWindow::DeleteRecords);
    connect(list_, &RecordListView::addRequested, this, &MainWindow::AddRecords);
    connect(list_, &RecordListView::modifyRequested, this, &MainWindow::ModifyRecord);
    // Insert adds wherever the focus is: an empty list at start-up may not hold it.
    auto* insertKey = new QShortcut(QKeySequence(Qt::Key_Insert), this);
    insertKey->setContext(Qt::WindowShortcut);
    connect(insertKey, &QShortcut::activated, this, &MainWindow::AddRecords);
}

bool MainWindow::ListNotEmpty() const {
    return model_->RowCount() > 0;
}

void MainWindow::UpdateActions() {
    const auto& a = actions_;
    const bool idle = !RunningOperation::Any();
    for (QAction* action : {a.addNew, a.check, a.conditionSearch, a.sum, a.group, a.saveList,
                            a.fastImport, a.backup, a.exportOffline, a.exportNetwork, a.compress,
                            a.restore, a.importHistory, a.options, a.checkSelected, a.about})
        action->setEnabled(idle);
    const bool notEmpty = idle && ListNotEmpty();
    a.modify->setEnabled(notEmpty);
    a.remove->setEnabled(notEmpty);
    a.locate->setEnabled(notEmpty);
    a.search->setEnabled(notEmpty);
    a.print->setEnabled(notEmpty);
    a.recordGrid->setEnabled(idle && list_->IsListShown());
}

void MainWindow::PrintCurrentRecord() {
    const int row = list_->CurrentRow();
    if (row < 0) return;
    PrintAnnualReport(this, Connection().Db(), Connection().CurrentDatabasePath().parent_path(),
                      model_->CodeAt(row), true, progress_);
}

void MainWindow::ShowQueryResults(const std::string& condition) {
    QueryResultList results([this]() -> SQLite::Database& { return Connection().Db(); }, *entry_,
                            progress_, this);
    results.SetCondition(condition);
    results.exec();
}

void MainWindow::SearchByIndicator() {
    IndicatorQueryDialog dialog(
        Connection().Db(), *list_,
        [this](const std::string& condition) { ShowQueryResults(condition); }, this);
    dialog.exec();
}

void MainWindow::SearchByCodeRange() {
    CodeRangeSearchDialog dialog(
        *list_, [this](const std::string& condition) { ShowQueryResults(condition); }, this);
    dialog.exec();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_L) {
        if (actions_.locate->isEnabled()) actions_.locate->trigger();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_F) {
        if (actions_.locate->isEnabled()) actions_.conditionSearch->trigger();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::RefreshListKeepingRecord() {
    list_->RequeryKeepingRecord();
}

ExchangeContext MainWindow::Exchange() {
    return {this,
            &Connection().Db(),
            Connection().CurrentDatabasePath().parent_path(),
            state_.databaseLabel,
            progress_,
            [this] { RefreshListKeepingRecord(); },
            [this](const std::string& condition) { ShowQueryResults(condition); }};
}

void MainWindow::ReviewRecords() {
    if (RefuseWhileOperationRuns(this)) return;
    ReviewWindow window(
        Connection().Db(),
        [this](double code, const QString& field) {
            OpenEntryAtAnswer(*entry_, *list_, code, field);
        },
        this);
    window.exec();
}

void MainWindow::AddRecords() {
    entry_->OpenForAdding(*list_);
}

void MainWindow::ModifyRecord() {
    entry_->OpenForModifying(*list_);
}

void MainWindow::DeleteRecords() {
    if (RefuseWhileOperationRuns(this)) return;
    DeletableList rows{
        [this] { return model_->RowCount(); },    [this] { return list_->MarkedRowsInMarkOrder(); },
        [this] { return list_->CurrentRow(); },   [this](int row) { return model_->CodeAt(row); },
        [this](int row) { list_->ShowRow(row); }, [this] { list_->RequeryKeepingRow(); }};
    DeleteDialog dialog(
        Connection().Db(), std::move(rows),
        [this](const QString& text, int flags) { return AskQuestion(text, flags, this); },
        [this] { RefreshListKeepingRecord(); }, this);
    dialog.exec();
}

void MainWindow::CompactDatabase() {
    Connection().Close();
    try {
        ::tallwick::CompactDatabase(Connection().CurrentDatabasePath());
        ShowMessage(QString::fromUtf8(kCompactionDone), this);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    try {
        Connection().Reopen();
        model_->Requery();
        list_->MoveToFirst();
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
}

void MainWindow::RestoreBackup() {
    RestoreDialog dialog(
        Connection(), registry_, [this] { AfterDatabaseReplaced(); }, this);
    dialog.exec();
}

void MainWindow::AfterDatabaseReplaced() {
    try {
        state_.databaseLabel = QString::fromStdString(Connection().ReadDatabaseLabel());
        setWindowTitle(QStringLiteral("Tallwick - ") + state_.databaseLabel);
        model_->Reload();  // the restored file brings its own catalogue of list columns
        list_->MoveToFirst();
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
}

void MainWindow::StartWholeFileCheck() {
    if (!watch_) {
        watch_ = new WholeFileWatch(Connection().CurrentDatabasePath(), this);
        connect(watch_, &WholeFileWatch::finished, this, &MainWindow::OfferWayBackFromDamage);
    }
    watch_->Start();
}

void MainWindow::OfferWayBackFromDamage(const QString& finding) {
    if (finding == QStringLiteral("ok")) return;
    const std::filesystem::path working = Connection().CurrentDatabasePath();
    const QString what = DamagedDatabaseText(working, finding.toStdString());
    // Unsaved edits of an open record must not vanish under a restore.
    if (entry_->isVisible() || RunningOperation::Any()) {
        ShowMessage(what + QStringLiteral("请关闭录入窗口，再用“恢复备份”把数据库恢复为最近的"
                                          "安全备份或备份文件。"),
                    this);
        return;
    }
    const RunningOperation running;
    std::optional<std::string> restored;
    try {
        restored = OfferWayBack(
            working, what, [this] { Connection().Close(); }, this);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    if (!Connection().IsOpen()) {
        try {
            Connection().Reopen();
        } catch (const std::exception& error) {
            ShowMessage(UncaughtErrorText(error), this);
            return;
        }
    }
    if (!restored) return;
    AfterDatabaseReplaced();
    ShowMessage(QString::fromStdString(*restored), this);
}

void MainWindow::VerifyRecords() {
    if (RefuseWhileOperationRuns(this)) return;
    std::vector<double> selected;
    for (const int row : list_->SelectionOrCurrent()) selected.push_back(model_->CodeAt(row));
    VerificationChoiceDialog choice(Connection().Db(), std::move(selected), this);
    if (choice.exec() != QDialog::Accepted) return;
    VerificationPass(*entry_, *list_, Connection().Db(), choice.Chosen()).Run();
    RefreshListKeepingRecord();
}

void MainWindow::CompareKeyings() {
    if (RunningOperation::Any()) return;
    // Taken values change stored records: none may be open with edits of its own.
    if (entry_->isVisible()) {
        ShowMessage(QStringLiteral("请先关闭录入窗口，再比对两次录入。"), this);
        return;
    }
    CompareTwoKeyings(this, Connection().Db(), Connection().CurrentDatabasePath().parent_path(),
                      [this] { RefreshListKeepingRecord(); });
}

void MainWindow::ShowVerificationRates() {
    ui::ShowVerificationRates(this, Connection().Db());
}

void MainWindow::EditOptions() {
    TdlgOptionSetupForm dialog(registry_, state_.settings, this);
    dialog.exec();
}

void MainWindow::ChooseColumns() {
    ColumnChooserDialog dialog(
        Connection().Db(), [this] { list_->RebuildColumnsKeepingPlace(); }, {}, this);
    dialog.exec();
}

namespace {

std::optional<check::CheckScope> SelectionScope(RecordListModel& model, RecordListView& list) {
    if (model.RowCount() == 0) return std::nullopt;
    std::vector<int> marked = list.MarkedRowsInMarkOrder();
    if (marked.empty()) return check::CheckScope::One(model.CodeAt(list.CurrentRow()));
    std::sort(marked.begin(), marked.end());  // in the order of the rows in the list
    std::vector<double> codes;
    for (const int row : marked) codes.push_back(model.CodeAt(row));
    return check::CheckScope::Selection(std::move(codes));
}

}  // namespace

void MainWindow::CheckRecords() {
    CheckDialog dialog(
        Connection().Db(), state_.databaseLabel.toStdString(),
        [this] { return SelectionScope(*model_, *list_); }, [this] { RefreshListKeepingRecord(); },
        this);
    dialog.exec();
}

void MainWindow::CheckSelected() {
    const auto scope = SelectionScope(*model_, *list_);
    if (!scope) return;
    RunCheckAndReport(Connection().Db(), state_.databaseLabel.toStdString(), *scope, {}, this);
    RefreshListKeepingRecord();
}

void MainWindow::MarkAllRecordsClean() {
    Connection().Db().exec("update dt_data set RecordState=1");
    try {
        RefreshListKeepingRecord();
    } catch (...) {
        // The states are stored; the list shows them on its next re-read.
    }
}

std::function<void()> MainWindow::MarkAllCleanCallback() {
    return [this] { MarkAllRecordsClean(); };
}

void MainWindow::ShowAbout() {
    AboutDialog about(false, MarkAllCleanCallback(), this);
    about.exec();
}

}  // namespace tallwick::ui
