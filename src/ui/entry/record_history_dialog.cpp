#include "entry/record_history_dialog.h"

#include "entry/record_io.h"
#include "history/history_reading.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

RecordHistoryDialog::RecordHistoryDialog(SQLite::Database& db, double code, const QString& name,
                                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlgRecordHistory"));
    setWindowTitle(QStringLiteral("修改记录"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(
        QStringLiteral("单位编号：%1　　单位名称：%2").arg(Text(entry::CodeText(code)), name),
        this);
    layout->addWidget(heading);

    const auto entries = history::ReadRecordHistory(db, code);
    table_ = new QTableWidget(static_cast<int>(entries.size()), 5, this);
    table_->setObjectName(QStringLiteral("HistoryGrid"));
    table_->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("操作"),
                                       QStringLiteral("指标"), QStringLiteral("原值"),
                                       QStringLiteral("新值")});
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const history::HistoryEntry& entry = entries[static_cast<std::size_t>(row)];
        table_->setItem(row, 0, Cell(Text(entry.time)));
        QTableWidgetItem* operation = Cell(Text(entry.operation));
        if (!entry.processor.empty())
            operation->setToolTip(QStringLiteral("处理器：") + Text(entry.processor));
        table_->setItem(row, 1, operation);
        QTableWidgetItem* field = Cell(entry.field.empty() ? QStringLiteral("（整条记录）")
                                       : entry.question.empty() ? Text(entry.field)
                                                                : Text(entry.question));
        // The question is what the user reads; the field's code is there for whoever asks.
        if (!entry.field.empty()) field->setToolTip(Text(entry.field));
        table_->setItem(row, 2, field);
        table_->setItem(row, 3, Cell(Text(entry.oldValue)));
        table_->setItem(row, 4, Cell(Text(entry.newValue)));
    }
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    // Values are read side by side; a short one must not squeeze its column to nothing.
    for (const int column : {3, 4}) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        table_->setColumnWidth(column, 150);
    }
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    layout->addWidget(table_, 1);

    note_ = new QLabel(QStringLiteral("这条记录还没有修改记录。"), this);
    note_->setVisible(entries.empty());
    layout->addWidget(note_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("关  闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(820, 480);
}

}  // namespace tallwick::ui
