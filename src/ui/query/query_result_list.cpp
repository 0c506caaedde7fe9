#include "query/query_result_list.h"

#include "common/user_error.h"
#include "entry/entry_window.h"
#include "list/delete_selected.h"
#include "list/list_sort.h"
#include "list/record_list_view.h"
#include "query/export_messages.h"
#include "query/query_search_dialogs.h"
#include "query/result_columns.h"
#include "query/result_database.h"
#include "query/result_workbook.h"
#include "widgets/error_display.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/operation_progress.h"
#include "widgets/progress_window.h"
#include "widgets/question_dialog.h"
#include "widgets/running_operation.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

const QString kTitle = QString::fromUtf8(query::kQueryResultTitle);

QToolButton* NewToolButton(const QString& text, const QString& name) {
    auto* button = new QToolButton;
    button->setText(text);
    button->setObjectName(name);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString SuggestedName() {
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    return Q(query::SuggestedExportName(kTitle.toStdString(), today.toStdString()));
}

}  // namespace

QueryResultList::QueryResultList(RecordListModel::DatabaseSource database, EntryWindow& entry,
                                 TProgressBarForm* progress, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      database_(std::move(database)),
      entry_(entry),
      progress_(progress),
      model_(new RecordListModel(database_, this)),
      grid_(new RecordListView(model_)),
      count_(new QLabel(QStringLiteral("0"))),
      edit_(NewToolButton(QStringLiteral("修改数据信息"), QStringLiteral("tbEdit"))),
      delete_(NewToolButton(QStringLiteral("删除数据信息"), QStringLiteral("tbDelete"))),
      export_(NewToolButton(QStringLiteral("导出查询结果"), QStringLiteral("tbDataExport"))) {
    setWindowTitle(QStringLiteral("查询结果列表"));
    setFixedSize(915, 412);
    askFileName = [this](const QString& filter, const QString& suggestedName,
                         const QString& extension) {
        return AskSaveFileName(this, QStringLiteral("导出文件存放为"), filter, suggestedName,
                               extension);
    };

    ask = [this](const QString& text, int flags) { return AskQuestion(text, flags, this); };

    auto* exportMenu = new QMenu(this);
    QAction* saveAsDatabase = exportMenu->addAction(QStringLiteral("导出详细数据为Access文件"));
    saveAsDatabase->setObjectName(QStringLiteral("mnSaveAsAccess"));
    QAction* saveAsWorkbook = exportMenu->addAction(QStringLiteral("导出结果列表为Excel文件"));
    saveAsWorkbook->setObjectName(QStringLiteral("mnSaveAsExecel"));
    export_->setMenu(exportMenu);
    export_->setPopupMode(QToolButton::InstantPopup);
    auto* back = NewToolButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"));

    auto* tools = new QHBoxLayout;
    for (QToolButton* button : {edit_, delete_, export_, back}) tools->addWidget(button);
    tools->addStretch(1);

    // The row indicator: where the walk through the result stands.
    grid_->verticalHeader()->show();
    count_->setObjectName(QStringLiteral("CountLabel"));
    auto* countLine = new QHBoxLayout;
    countLine->addWidget(new QLabel(QStringLiteral("符合条件的数据总数：")));
    countLine->addWidget(count_);
    countLine->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(grid_, 1);
    layout->addLayout(countLine);

    connect(edit_, &QToolButton::clicked, this, &QueryResultList::OpenCurrent);
    connect(delete_, &QToolButton::clicked, this, &QueryResultList::DeleteSelected);
    connect(back, &QToolButton::clicked, this, &QDialog::reject);
    connect(saveAsDatabase, &QAction::triggered, this, &QueryResultList::SaveAsDatabase);
    connect(saveAsWorkbook, &QAction::triggered, this, &QueryResultList::SaveAsWorkbook);
    connect(grid_, &RecordListView::modifyRequested, this, &QueryResultList::OpenCurrent);
    connect(grid_, &RecordListView::deleteRequested, this, &QueryResultList::DeleteSelected);
}

void QueryResultList::SetCondition(const std::string& condition) {
    query::ResultStatements statements = query::BuildResultStatements(condition);
    query::CheckResultStatements(database_(), statements);
    model_->SetRowSource(statements.report);
    model_->Reload();
    statements_ = std::move(statements);
    BuildColumns();
    UpdateCount();
}

void QueryResultList::BuildColumns() {
    // The rows come in code order, which the first column's title says.
    for (int column = 0; column < model_->columnCount(); ++column) {
        if (model_->IsColumnHidden(column)) continue;
        const QString title = model_->headerData(column, Qt::Horizontal).toString();
        model_->setHeaderData(column, Qt::Horizontal, title + kAscendingMark);
        model_->setHeaderData(column, Qt::Horizontal, kSortedTitleColour, Qt::ForegroundRole);
        model_->SortState().markedColumn = column;
        break;
    }
}

void QueryResultList::UpdateCount() {
    count_->setText(QString::number(model_->RowCount()));
}

void QueryResultList::showEvent(QShowEvent* event) {
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

void QueryResultList::OpenCurrent() {
    if (model_->RowCount() == 0) return;
    entry_.OpenForModifying(*grid_);
    UpdateCount();
}

void QueryResultList::DeleteSelected() {
    if (model_->RowCount() == 0) return;
    DeletableList rows{
        [this] { return model_->RowCount(); },    [this] { return grid_->MarkedRowsInMarkOrder(); },
        [this] { return grid_->CurrentRow(); },   [this](int row) { return model_->CodeAt(row); },
        [this](int row) { grid_->ShowRow(row); }, [this] { grid_->RequeryKeepingRow(); }};
    try {
        DeleteSelectedRecords(rows, database_(), ask);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    UpdateCount();
}

void QueryResultList::SaveAsDatabase() {
    RunReportingExport(this, progress_, [this] {
        if (model_->RowCount() == 0) throw UserError(query::kEmptyDatabaseExport);
        const QString chosen = askFileName(QStringLiteral("Access文件(*.mdb)"), SuggestedName(),
                                           QStringLiteral(".mdb"));
        if (chosen.trimmed().isEmpty()) return;
        std::filesystem::path written;
        {
            const RunningOperation running(progress_);
            written = query::ExportResultDatabase(
                database_(), statements_.detail, statements_.detail1, kTitle.toStdString(),
                chosen.toStdString(), ProgressOf(progress_, QStringLiteral("数据导出...")));
        }
        ShowMessage(Q(query::DatabaseExportedMessage(written)), this);
    });
}

void QueryResultList::SaveAsWorkbook() {
    RunReportingExport(this, progress_, [this] {
        if (model_->RowCount() == 0) throw UserError(query::kEmptyWorkbookExport);
        std::vector<query::ShownColumn> shown;
        for (int column = 0; column < model_->columnCount(); ++column) {
            if (model_->IsColumnHidden(column)) continue;
            shown.push_back({model_->Columns()[column].fieldName,
                             model_->headerData(column, Qt::Horizontal).toString().toStdString()});
        }
        // The workbook lists the records in the order the grid shows them.
        std::string rows = statements_.report;
        if (const int sorted = model_->SortColumn(); sorted >= 0)
            rows = query::SortedStatement(rows, model_->Columns()[sorted].fieldName,
                                          model_->SortOrder() == Qt::DescendingOrder);
        SQLite::Database& db = database_();
        const FieldDataArray columns = query::ShownColumnsForExport(db, rows, shown);

        const QString chosen = askFileName(QStringLiteral("Excel 文件(*.xlsx)"), SuggestedName(),
                                           QStringLiteral(".xlsx"));
        if (chosen.trimmed().isEmpty()) return;
        const query::WorkbookRequest request{
            kTitle.toStdString(),
            QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString(),
            chosen.toStdString()};
        std::filesystem::path written;
        {
            const RunningOperation running(progress_);
            written = query::ExportResultWorkbook(
                db, rows, columns, request, ProgressOf(progress_, QStringLiteral("数据导出...")));
        }
        ShowMessage(Q(query::WorkbookExportedMessage(written)), this);
    });
}

}  // namespace tallwick::ui
