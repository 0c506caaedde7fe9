#include "verify/verification_choice_dialog.h"

#include "common/user_error.h"
#include "store/code_range.h"
#include "verify/verification_marks.h"
#include "widgets/code_box.h"
#include "widgets/message_box.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

constexpr int kSeedLength = 9;
constexpr int kDefaultPercent = 10;

}  // namespace

VerificationChoiceDialog::VerificationChoiceDialog(SQLite::Database& db,
                                                   std::vector<double> selected, QWidget* parent)
    : QDialog(parent),
      db_(db),
      selected_(std::move(selected)),
      selectedChoice_(
          new QRadioButton(QStringLiteral("记录列表中选中的记录（%1条）").arg(selected_.size()))),
      rangeChoice_(new QRadioButton(QStringLiteral("指定单位编号的范围"))),
      sampleChoice_(new QRadioButton(QStringLiteral("从尚未校验的记录中随机抽取"))),
      low_(NewCodeBox(kCodeRangeBoxLength, QStringLiteral("RangeLow"))),
      high_(NewCodeBox(kCodeRangeBoxLength, QStringLiteral("RangeHigh"))),
      percent_(NewCodeBox(3, QStringLiteral("SamplePercent"))),
      seed_(NewCodeBox(kSeedLength, QStringLiteral("SampleSeed"))) {
    setWindowTitle(QStringLiteral("校验录入"));
    (selected_.empty() ? rangeChoice_ : selectedChoice_)->setChecked(true);
    percent_->setText(QString::number(kDefaultPercent));
    percent_->setMaximumWidth(60);
    seed_->setText(QString::number(QRandomGenerator::global()->bounded(1, 1000000000)));

    auto* group = new QGroupBox(QStringLiteral("校验哪些记录"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(selectedChoice_, 0, 0, 1, 5);
    grid->addWidget(rangeChoice_, 1, 0, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("从")), 2, 1);
    grid->addWidget(low_, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("到")), 2, 3);
    grid->addWidget(high_, 2, 4);
    grid->addWidget(sampleChoice_, 3, 0, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("抽取比例")), 4, 1);
    auto* percentRow = new QHBoxLayout;
    percentRow->addWidget(percent_);
    percentRow->addWidget(new QLabel(QStringLiteral("%")));
    percentRow->addStretch(1);
    grid->addLayout(percentRow, 4, 2);
    grid->addWidget(new QLabel(QStringLiteral("随机种子")), 4, 3);
    grid->addWidget(seed_, 4, 4);
    auto* seedNote =
        new QLabel(QStringLiteral("记下随机种子：种子和记录都相同时，抽到的记录也相同。"));
    seedNote->setWordWrap(true);
    grid->addWidget(seedNote, 5, 1, 1, 4);
    grid->setColumnMinimumWidth(0, 16);
    // Typing into a choice's boxes chooses it.
    for (QLineEdit* box : {low_, high_})
        connect(box, &QLineEdit::textEdited, rangeChoice_,
                [this] { rangeChoice_->setChecked(true); });
    for (QLineEdit* box : {percent_, seed_})
        connect(box, &QLineEdit::textEdited, sampleChoice_,
                [this] { sampleChoice_->setChecked(true); });

    start_ = new QPushButton(QStringLiteral("开始校验"));
    start_->setObjectName(QStringLiteral("tbStart"));
    start_->setDefault(true);
    auto* back = new QPushButton(QStringLiteral("返  回"));
    back->setObjectName(QStringLiteral("tbReturn"));
    connect(start_, &QPushButton::clicked, this, &VerificationChoiceDialog::accept);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral(
        "校验录入：对照纸质报表把所选记录再录入一遍，与原数据不一致的答案再录入一次来确定。")));
    layout->addWidget(group);
    layout->addLayout(buttons);
}

std::vector<double> VerificationChoiceDialog::Choose() const {
    if (selectedChoice_->isChecked()) {
        if (selected_.empty()) throw UserError("记录列表中没有选中的记录，请先选中要校验的记录。");
        return selected_;
    }
    if (rangeChoice_->isChecked()) {
        const CodeRange range = ParseCodeRange(low_->text().toStdString(),
                                               high_->text().toStdString(), "请输入校验的编号范围");
        auto codes = verify::StoredCodesBetween(db_, range.low, range.high);
        if (codes.empty()) throw UserError("这个编号范围内没有记录。");
        return codes;
    }
    const int percent = percent_->text().toInt();
    if (percent < 1 || percent > 100) throw UserError("请输入1到100之间的抽取比例。");
    if (seed_->text().isEmpty()) throw UserError("请输入随机种子。");
    auto codes = verify::DrawSample(db_, percent, seed_->text().toULongLong());
    if (codes.empty()) throw UserError("没有尚未校验的记录可以抽取。");
    return codes;
}

void VerificationChoiceDialog::accept() {
    try {
        chosen_ = Choose();
    } catch (const UserError& error) {
        ShowMessage(QString::fromUtf8(error.what()), this);
        return;
    }
    QDialog::accept();
}

}  // namespace tallwick::ui
