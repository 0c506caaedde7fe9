#include "exchange/import_history_dialog.h"

#include "exchange/import_history.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

QTableWidgetItem* Cell(const QString& text, bool number = false) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text).simplified();
}

}  // namespace

ImportHistoryDialog::ImportHistoryDialog(SQLite::Database& db, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("导入记录"));
    const auto history = exchange::ReadHistory(db);
    table_ = new QTableWidget(static_cast<int>(history.size()), 9);
    table_->setObjectName(QStringLiteral("ImportHistoryTable"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("时间"), QStringLiteral("操作"), QStringLiteral("文件"),
         QStringLiteral("数据标记"), QStringLiteral("记录数"), QStringLiteral("新增"),
         QStringLiteral("替换"), QStringLiteral("保留"), QStringLiteral("结果")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAlternatingRowColors(true);
    for (int row = 0; row < static_cast<int>(history.size()); ++row) {
        const auto& entry = history[static_cast<std::size_t>(row)];
        table_->setItem(row, 0, Cell(Q(entry.time)));
        table_->setItem(row, 1, Cell(Q(entry.operation)));
        auto* file = Cell(Q(entry.fileName));
        file->setToolTip(QString::fromStdString(entry.fileName));
        table_->setItem(row, 2, file);
        table_->setItem(row, 3, Cell(Q(entry.label)));
        table_->setItem(row, 4, Cell(QString::number(entry.records), true));
        table_->setItem(row, 5, Cell(QString::number(entry.added), true));
        table_->setItem(row, 6, Cell(QString::number(entry.replaced), true));
        table_->setItem(row, 7, Cell(QString::number(entry.kept), true));
        auto* outcome = Cell(Q(entry.outcome));
        outcome->setToolTip(QString::fromStdString(entry.outcome));
        if (!entry.succeeded && entry.operation != exchange::kHistoryConflict)
            outcome->setForeground(QColor(190, 30, 30));
        table_->setItem(row, 8, outcome);
    }
    table_->resizeColumnsToContents();
    table_->setColumnWidth(2, std::min(table_->columnWidth(2), 260));
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* close = new QPushButton(QStringLiteral("关  闭"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(1000, 420);
}

}  // namespace tallwick::ui
