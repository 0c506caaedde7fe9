#include "query/query_indicator_dialog.h"

#include "query/condition_error.h"
#include "query/indicator_condition.h"
#include "query/indicator_lists.h"
#include "widgets/code_popup.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tallwick::ui {
namespace {

QTableWidget* NewList(const QString& name, const QString& heading) {
    auto* list = new QTableWidget(0, 1);
    list->setObjectName(name);
    list->setHorizontalHeaderLabels({heading});
    list->horizontalHeader()->setStretchLastSection(true);
    list->verticalHeader()->hide();
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

void FillList(QTableWidget* list, const std::vector<std::string>& texts) {
    list->setRowCount(static_cast<int>(texts.size()));
    for (int row = 0; row < list->rowCount(); ++row) {
        list->setItem(
            row, 0, new QTableWidgetItem(QString::fromStdString(texts[static_cast<size_t>(row)])));
    }
    if (list->rowCount() > 0) list->setCurrentCell(0, 0);
}

QLineEdit* NewNumberBox(const QString& name) {
    auto* box = new QLineEdit;
    box->setObjectName(name);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    return box;
}

}  // namespace

IndicatorPickerDialog::IndicatorPickerDialog(SQLite::Database& db, QWidget* parent)
    : QDialog(parent),
      db_(db),
      sheets_(NewList(QStringLiteral("TypeList1"), QStringLiteral("表"))),
      indicators_(NewList(QStringLiteral("TypeList2"), QStringLiteral("指标"))),
      ok_(new QPushButton(QStringLiteral("确认"))) {
    setWindowTitle(QStringLiteral("选择指标"));
    ok_->setObjectName(QStringLiteral("tbOK"));
    auto* cancel = new QPushButton(QStringLiteral("取消"));
    cancel->setObjectName(QStringLiteral("tbCancel"));

    std::vector<std::string> names;
    for (const query::SheetEntry& sheet : query::ReadIndicatorSheets(db_)) {
        sheetIds_.push_back(sheet.codeId);
        names.push_back(sheet.name);
    }
    FillList(sheets_, names);
    FillIndicators(0);
    // Clicks and arrow keys both move the current row; the indicators follow it.
    connect(sheets_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(sheetIds_.size()))
            FillIndicators(sheetIds_[static_cast<size_t>(row)]);
    });
    connect(indicators_, &QTableWidget::cellDoubleClicked, this, &IndicatorPickerDialog::Choose);
    connect(ok_, &QPushButton::clicked, this, &IndicatorPickerDialog::Choose);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* lists = new QHBoxLayout;
    lists->addWidget(sheets_, 2);
    lists->addWidget(indicators_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(buttons);
    resize(560, 420);
    CentreOnScreen(this);
}

void IndicatorPickerDialog::FillIndicators(int sheetId) {
    // Each code with its question ("z001 本级工会专职工会干部"): a bare code says little.
    const auto entries = query::ReadSheetIndicators(db_, sheetId);
    std::vector<std::string> texts;
    for (const query::IndicatorEntry& entry : entries)
        texts.push_back(entry.question.empty() ? entry.code : entry.code + " " + entry.question);
    FillList(indicators_, texts);
    for (int row = 0; row < indicators_->rowCount(); ++row)
        indicators_->item(row, 0)->setData(
            Qt::UserRole, QString::fromStdString(entries[static_cast<std::size_t>(row)].code));
}

void IndicatorPickerDialog::Choose() {
    const QTableWidgetItem* item = indicators_->item(indicators_->currentRow(), 0);
    if (item == nullptr) return;
    result_ = item->data(Qt::UserRole).toString().trimmed();
    accept();
}

IndicatorQueryDialog::IndicatorQueryDialog(SQLite::Database& db, RecordListView& list,
                                           ResultListOpener openResults, QWidget* parent)
    : QDialog(parent),
      db_(db),
      list_(list),
      openResults_(std::move(openResults)),
      field_(new CodePickerBox),
      lc1_(NewOperatorPicker(QStringLiteral("lc1"))),
      number1_(NewNumberBox(QStringLiteral("Number1"))),
      lc3_(NewOperatorPicker(QStringLiteral("lc3"))),
      number2_(NewNumberBox(QStringLiteral("Number2"))),
      search_(NewButton(QStringLiteral("查  找"), QStringLiteral("tbSum"))) {
    setWindowTitle(QStringLiteral("指标查询"));
    field_->setObjectName(QStringLiteral("DataField"));
    connect(field_, &CodePickerBox::dropDownRequested, this, &IndicatorQueryDialog::PickIndicator);

    auto* group = new QGroupBox(QStringLiteral("指标范围"));
    auto* line = new QHBoxLayout(group);
    line->addWidget(new QLabel(QStringLiteral(" 指标   ")));
    line->addWidget(field_);
    line->addWidget(new QLabel(QStringLiteral("的范围：")));
    line->addWidget(lc1_);
    line->addWidget(number1_);
    line->addWidget(new QLabel(QStringLiteral("且")));
    line->addWidget(lc3_);
    line->addWidget(number2_);

    connect(search_, &QPushButton::clicked, this, &IndicatorQueryDialog::Search);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(SearchButtonRow(this, search_));
}

void IndicatorQueryDialog::showEvent(QShowEvent* event) {
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

void IndicatorQueryDialog::PickIndicator() {
    try {
        IndicatorPickerDialog picker(db_, this);
        if (picker.exec() == QDialog::Accepted) field_->setText(picker.Result());
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
}

void IndicatorQueryDialog::Search() {
    query::IndicatorSearch search;
    search.field = field_->text().toStdString();
    search.op1 = static_cast<query::Comparison>(std::max(lc1_->code(), 0));
    search.number1 = number1_->text().toStdString();
    search.op2 = static_cast<query::Comparison>(std::max(lc3_->code(), 0));
    search.number2 = number2_->text().toStdString();
    SearchWithCondition(
        this, {field_, lc1_, number1_, lc3_, number2_},
        [&search] { return query::BuildIndicatorCondition(search); }, list_, openResults_);
}

}  // namespace tallwick::ui
