#include "entry/verification_differences.h"

#include "verify/keying_comparison.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QString SettledText(verify::ThirdKeyingRule::Outcome outcome) {
    return outcome == verify::ThirdKeyingRule::Outcome::NewReplaces
               ? QStringLiteral("采用校验录入（原数据录错）")
               : QStringLiteral("原数据不变（校验时录错）");
}

VerificationDifferencesDialog::VerificationDifferencesDialog(const QString& record,
                                                             const verify::VerifiedRecord& verified,
                                                             int recordState,
                                                             const check::FieldHints& hints,
                                                             QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("校验录入的结果"));
    resize(760, 420);
    auto* layout = new QVBoxLayout(this);
    const auto& differences = verified.differences;
    auto* summary = new QLabel(
        differences.empty() ? QStringLiteral("%1：校验了%2个答案，与原数据全部一致。")
                                  .arg(record)
                                  .arg(verified.answersKeyed)
                            : QStringLiteral("%1：校验了%2个答案，%3个与原数据不一致，处理如下。")
                                  .arg(record)
                                  .arg(verified.answersKeyed)
                                  .arg(differences.size()),
        this);
    summary->setWordWrap(true);
    layout->addWidget(summary);

    table_ = new QTableWidget(static_cast<int>(differences.size()), 4, this);
    table_->setObjectName(QStringLiteral("VerificationDifferences"));
    table_->setHorizontalHeaderLabels({QStringLiteral("问题"), QStringLiteral("原数据"),
                                       QStringLiteral("校验录入"), QStringLiteral("处理")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->horizontalHeader()->setMinimumSectionSize(80);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        table_->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    for (std::size_t i = 0; i < differences.size(); ++i) {
        const auto& d = differences[i];
        const int row = static_cast<int>(i);
        const auto hint = hints.Find(d.field);
        table_->setItem(row, 0,
                        new QTableWidgetItem(Text(d.field) + QStringLiteral("  ") +
                                             Text(hint ? *hint : std::string())));
        for (const auto& [column, value] : {std::pair{1, &d.stored}, std::pair{2, &d.keyed}}) {
            auto* item = new QTableWidgetItem(Text(verify::ValueText(*value)));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
        auto* settled = new QTableWidgetItem(SettledText(d.settled));
        if (d.settled == verify::ThirdKeyingRule::Outcome::NewReplaces)
            settled->setForeground(QColor(0xb0, 0x00, 0x00));
        table_->setItem(row, 3, settled);
    }
    layout->addWidget(table_, 1);
    auto* state = new QLabel(recordState == 1 ? QStringLiteral("这条记录保存后没有逻辑错误。")
                                              : QStringLiteral("这条记录保存后有逻辑错误。"),
                             this);
    state->setObjectName(QStringLiteral("VerifiedState"));
    if (recordState != 1) state->setStyleSheet(QStringLiteral("color: #b00000"));
    layout->addWidget(state);

    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(QStringLiteral("保  存"), QDialogButtonBox::AcceptRole);
    save_->setDefault(true);
    buttons->addButton(QStringLiteral("返回修改"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace tallwick::ui
