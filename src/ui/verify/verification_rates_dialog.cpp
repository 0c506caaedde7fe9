#include "verify/verification_rates_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tallwick::ui {

VerificationRatesDialog::VerificationRatesDialog(const std::vector<verify::VerificationRate>& rates,
                                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("校验录入差错率"));
    resize(860, 300);
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(static_cast<int>(rates.size()), 8, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("第一次录入的处理器"), QStringLiteral("校验的记录"),
         QStringLiteral("校验录入的答案"), QStringLiteral("不同之处"),
         QStringLiteral("确认（第一次录入错误）"), QStringLiteral("撤回（校验时误录）"),
         QStringLiteral("不同之处/千个答案"), QStringLiteral("录入错误/千个答案")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int row = 0; row < static_cast<int>(rates.size()); ++row) {
        const auto& rate = rates[static_cast<std::size_t>(row)];
        const bool overall = row + 1 == static_cast<int>(rates.size());
        const QString cells[] = {
            overall ? QStringLiteral("合计") : QString::fromStdString(rate.processor),
            QString::number(rate.records),
            QString::number(rate.answersKeyed),
            QString::number(rate.differences),
            QString::number(rate.confirmed),
            QString::number(rate.withdrawn),
            QString::number(rate.DifferencesPerThousand(), 'f', 2),
            QString::number(rate.ConfirmedPerThousand(), 'f', 2)};
        for (int column = 0; column < 8; ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace tallwick::ui
