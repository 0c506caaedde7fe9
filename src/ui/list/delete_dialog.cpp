#include "list/delete_dialog.h"

#include "common/user_error.h"
#include "store/code_range.h"
#include "store/record_deletion.h"
#include "widgets/code_box.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tallwick::ui {

inline const QString kDeleteConfirmation = QStringLiteral("删除操作将不可恢复，您确认继续么？");

DeleteDialog::DeleteDialog(SQLite::Database& db, DeletableList list, Asker ask,
                           std::function<void()> refreshList, QWidget* parent)
    : QDialog(parent),
      db_(db),
      list_(std::move(list)),
      ask_(std::move(ask)),
      refreshList_(std::move(refreshList)),
      selected_(new QRadioButton(QStringLiteral("选中的数据"))),
      all_(new QRadioButton(QStringLiteral("所有的数据"))),
      range_(new QRadioButton(QStringLiteral("指定单位编号的范围"))),
      low_(NewCodeBox(kCodeRangeBoxLength)),
      high_(NewCodeBox(kCodeRangeBoxLength)) {
    setWindowTitle(QStringLiteral("选择删除的方式"));
    selected_->setChecked(true);

    auto* group = new QGroupBox(QStringLiteral("删除的内容"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(selected_, 0, 0, 1, 4);
    grid->addWidget(all_, 1, 0, 1, 4);
    grid->addWidget(range_, 2, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("从")), 3, 0);
    grid->addWidget(low_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("到")), 3, 2);
    grid->addWidget(high_, 3, 3);

    auto* remove = new QPushButton(QStringLiteral("删  除"));
    remove->setObjectName(QStringLiteral("tbDelete"));
    auto* back = new QPushButton(QStringLiteral("返  回"));
    back->setObjectName(QStringLiteral("tbReturn"));
    connect(remove, &QPushButton::clicked, this, &DeleteDialog::DeleteChosen);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(remove);
    buttons->addWidget(back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));
}

void DeleteDialog::DeleteChosen() {
    try {
        if (selected_->isChecked()) {
            DeleteSelectedRecords(list_, db_, ask_);
        } else if (all_->isChecked()) {
            if (!ConfirmWarning(kDeleteConfirmation, this)) return;
            DeleteAllRecords(db_);
        } else {
            if (low_->text().isEmpty()) low_->setText(QStringLiteral("0"));
            if (high_->text().isEmpty()) high_->setText(QStringLiteral("0"));
            const CodeRange range = ParseCodeRange(
                low_->text().toStdString(), high_->text().toStdString(), kDeleteRangeMissing);
            high_->setText(QString::fromStdString(range.highText));
            if (!ConfirmWarning(kDeleteConfirmation, this)) return;
            DeleteRecordRange(db_, range.low, range.high);
        }
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
        return;
    }
    if (refreshList_) refreshList_();
}

}  // namespace tallwick::ui
