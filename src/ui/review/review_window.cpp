#include "review/review_window.h"

#include "entry/code_tables.h"
#include "entry/entry_window.h"
#include "entry/record_io.h"
#include "list/record_list_view.h"
#include "locate/locate_fields.h"
#include "query/export_messages.h"
#include "review/confirmations.h"
#include "review/review_chart.h"
#include "review/review_text.h"
#include "review/review_workbook.h"
#include "review/size_measures.h"
#include "widgets/error_display.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

QString FieldName(int field) {
    const auto name = locate::LocateFields()[static_cast<std::size_t>(field)].name;
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

enum Column { kCode, kName, kLevel, kScore, kFinding, kColumns };

}  // namespace

ReviewWindow::ReviewWindow(SQLite::Database& db, OpenAnswer openAnswer, QWidget* parent)
    : QDialog(parent),
      db_(db),
      openAnswer_(std::move(openAnswer)),
      catalogue_(locate::LocateCatalogue::Read(db)) {
    setWindowTitle(QStringLiteral("可疑数据审核"));
    resize(1180, 620);

    table_ = new QTableWidget(0, kColumns, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("名称"),
                                       QStringLiteral("层次"), QStringLiteral("得分"),
                                       QStringLiteral("可疑数据")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    chart_ = new ReviewChart(this);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(table_);
    splitter->addWidget(chart_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    summary_ = new QLabel(this);
    note_ = new QLineEdit(this);
    note_->setPlaceholderText(QStringLiteral("核实说明"));
    note_->setMaxLength(200);
    confirm_ = new QPushButton(QStringLiteral("已核实"), this);
    open_ = new QPushButton(QStringLiteral("打开记录"), this);
    auto* exportButton = new QPushButton(QStringLiteral("导出"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(summary_, 1);
    buttons->addWidget(note_, 1);
    buttons->addWidget(confirm_);
    buttons->addWidget(open_);
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(table_, &QTableWidget::itemSelectionChanged, this, &ReviewWindow::ShowSelected);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &ReviewWindow::OpenSelected);
    connect(open_, &QPushButton::clicked, this, &ReviewWindow::OpenSelected);
    connect(confirm_, &QPushButton::clicked, this, &ReviewWindow::ConfirmSelected);
    connect(exportButton, &QPushButton::clicked, this, &ReviewWindow::ExportList);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    Reload();
}

ReviewWindow::~ReviewWindow() = default;

void ReviewWindow::Reload() {
    const review::RankedRecord* before = result_ ? Selected() : nullptr;
    const double keep = before ? before->code : 0;
    result_ = std::make_unique<review::ReviewResult>(review::RunReview(db_, catalogue_));
    const entry::CodeList levels = entry::LoadCodeList(db_, "CT_LevelCode");

    const QSignalBlocker blocker(table_);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(result_->ranked.size()));
    int selectRow = 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const review::RankedRecord& record = result_->ranked[static_cast<std::size_t>(row)];
        if (record.code == keep) selectRow = row;
        const QString texts[kColumns] = {
            QString::fromStdString(entry::CodeText(record.code)),
            QString::fromStdString(result_->rows.names[record.row]),
            QString::fromStdString(entry::CodeName(levels, record.level)),
            QString::number(record.top.score, 'f', 2),
            QString::fromStdString(review::FindingText(record.top))};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column == kScore) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
    }
    table_->resizeColumnsToContents();
    summary_->setText(QStringLiteral("共 %1 个单位，%2 个有可疑数据")
                          .arg(result_->rows.Size())
                          .arg(result_->ranked.size()));
    if (table_->rowCount() > 0) table_->selectRow(selectRow);
    ShowSelected();
}

const review::RankedRecord* ReviewWindow::Selected() const {
    const int row = table_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= result_->ranked.size()) return nullptr;
    return &result_->ranked[static_cast<std::size_t>(row)];
}

void ReviewWindow::ShowSelected() {
    const review::RankedRecord* record = Selected();
    confirm_->setEnabled(record != nullptr);
    open_->setEnabled(record != nullptr);
    if (!record) {
        chart_->Clear();
        return;
    }
    const review::Finding& top = record->top;
    long position = -1;
    const std::vector<double> rates =
        result_->RatesAmong(top.field, record->level, record->row, &position);
    const int measure = review::SizeMeasureOf(top.field);
    double size = 1;
    QString what = FieldName(top.field);
    if (measure >= 0) {
        size = result_->rows.values[static_cast<std::size_t>(measure)][record->row];
        what += QStringLiteral(" 与 ") + FieldName(measure) + QStringLiteral(" 之比");
    }
    if (size <= 0) size = 1;
    const QString among =
        top.basis == review::Basis::Level ? QStringLiteral("同层次") : QStringLiteral("全部层次");
    chart_->ShowRates(what + QStringLiteral("，") + among, rates, position, top.low / size,
                      top.high / size);
}

void ReviewWindow::OpenSelected() {
    const review::RankedRecord* record = Selected();
    if (!record || !openAnswer_) return;
    openAnswer_(record->code, FieldName(record->top.field));
    Reload();
}

void ReviewWindow::ConfirmSelected() {
    const review::RankedRecord* record = Selected();
    if (!record) return;
    const double code = record->code;
    const std::string field = FieldName(record->top.field).toStdString();
    const double value = record->top.value;
    if (!ReportErrors(
            [&] {
                review::ConfirmAnswer(db_, code, field, value,
                                      note_->text().trimmed().toStdString());
            },
            this))
        return;
    note_->clear();
    Reload();
}

void ReviewWindow::ExportList() {
    const QString name = AskSaveFileName(
        this, QStringLiteral("导出可疑数据"), QStringLiteral("Excel 工作簿 (*.xlsx)"),
        QStringLiteral("可疑数据审核-") + QDate::currentDate().toString(Qt::ISODate),
        QStringLiteral(".xlsx"));
    if (name.isEmpty()) return;
    if (ReportErrors([&] { review::ExportReviewWorkbook(db_, *result_, name.toStdString()); },
                     this))
        ShowMessage(QString::fromStdString(query::WorkbookExportedMessage(name.toStdString())),
                    this);
}

void OpenEntryAtAnswer(EntryWindow& entry, RecordListView& list, double code,
                       const QString& field) {
    if (!list.ReturnToCode(code)) return;
    const int index = locate::LocateFieldIndex(field.toStdString());
    const int page = index >= 0 ? locate::EntryPageOf(index) : 0;
    // The window runs its own loop: the page is chosen once it shows.
    QTimer::singleShot(0, &entry, [&entry, page, field] { entry.GoToError(page, field); });
    entry.OpenForModifying(list);
}

}  // namespace tallwick::ui
