#include "summary/group_item_dialog.h"

#include "common/user_error.h"
#include "summary/groupings.h"
#include "widgets/code_box.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"
#include "widgets/question_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <array>

namespace tallwick::ui {
namespace {

struct ItemColumn {
    const char* title;
    const char* field;  // the view column the stored order names
};
constexpr std::array<ItemColumn, 3> kColumns = {{
    {"数据项目名称", "title"},
    {"编号下限", "LowValue"},
    {"编号上限", "HighValue"},
}};

const QString kDeleteQuestion = QStringLiteral("数据将被彻底删除，确认么？");
const QString kAscendingMark = QStringLiteral("▲");
const QString kDescendingMark = QStringLiteral("▼");

std::int64_t Bound(const QLineEdit* box) {
    return box->text().toLongLong();
}

QPushButton* NewButton(const QString& text, const char* objectName) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

void ShowError(const std::exception& error, QWidget* parent) {
    ShowMessage(UncaughtErrorText(error), parent);
}

}  // namespace

GroupItemDialog::GroupItemDialog(SQLite::Database& db, std::int64_t groupId,
                                 const QString& groupName, std::function<void()> refreshGroupings,
                                 QWidget* parent)
    : QDialog(parent),
      db_(db),
      groupId_(groupId),
      refreshGroupings_(std::move(refreshGroupings)),
      groupName_(new QLineEdit(groupName)),
      save_(NewButton(QStringLiteral("保  存"), "tbSave")),
      grid_(new QTableWidget(0, static_cast<int>(kColumns.size()))),
      name_(new QLineEdit),
      leftSymbol_(new QComboBox),
      low_(NewCodeBox(15)),
      rightSymbol_(new QComboBox),
      high_(NewCodeBox(15)),
      add_(NewButton(QStringLiteral("增  加"), "actAddItem")),
      remove_(NewButton(QStringLiteral("除  去"), "tbRemove")),
      modify_(NewButton(QStringLiteral("修  改"), "tbModify")) {
    setWindowTitle(QStringLiteral("自定义分组"));
    confirmDelete = [this](const QString& text) {
        return AskQuestion(text, kAskYes | kAskNo, this) == kAnswerYes;
    };

    groupName_->setObjectName(QStringLiteral("GroupName"));
    groupName_->setMaxLength(255);
    save_->setEnabled(false);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("数据组名：")));
    top->addWidget(groupName_, 1);
    top->addWidget(save_);

    for (int column = 0; column < grid_->columnCount(); ++column)
        grid_->setHorizontalHeaderItem(
            column, new QTableWidgetItem(QString::fromUtf8(kColumns[column].title)));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->installEventFilter(this);

    name_->setObjectName(QStringLiteral("name"));
    name_->setMaxLength(255);
    leftSymbol_->setObjectName(QStringLiteral("LeftSymbol"));
    leftSymbol_->addItems({QStringLiteral(">"), QStringLiteral(">=")});
    leftSymbol_->setCurrentIndex(1);
    low_->setObjectName(QStringLiteral("LowBoundary"));
    rightSymbol_->setObjectName(QStringLiteral("RightSymbol"));
    rightSymbol_->addItems({QStringLiteral("<"), QStringLiteral("<=")});
    high_->setObjectName(QStringLiteral("HighBoundary"));

    auto* definition = new QGroupBox(QStringLiteral("分组项目定义"));
    auto* fields = new QGridLayout(definition);
    fields->addWidget(new QLabel(QStringLiteral("数据项目名称：")), 0, 0);
    fields->addWidget(name_, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("编号下限：")), 1, 0);
    fields->addWidget(leftSymbol_, 1, 1);
    fields->addWidget(low_, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("编号上限：")), 2, 0);
    fields->addWidget(rightSymbol_, 2, 1);
    fields->addWidget(high_, 2, 2);
    fields->setColumnStretch(2, 1);

    auto* back = NewButton(QStringLiteral("返  回"), "tbReturn");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (auto* button : {add_, remove_, modify_, back}) buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addWidget(definition);
    layout->addLayout(buttons);
    resize(520, 460);

    connect(groupName_, &QLineEdit::textChanged, this,
            [this](const QString& text) { save_->setEnabled(!text.isEmpty()); });
    connect(save_, &QPushButton::clicked, this, &GroupItemDialog::SaveName);
    connect(add_, &QPushButton::clicked, this, &GroupItemDialog::AddItem);
    connect(modify_, &QPushButton::clicked, this, &GroupItemDialog::ModifyItem);
    connect(remove_, &QPushButton::clicked, this, &GroupItemDialog::RemoveItem);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &GroupItemDialog::SortByColumn);
    connect(grid_, &QTableWidget::currentCellChanged, this, &GroupItemDialog::LoadCurrentItem);
    connect(grid_, &QTableWidget::cellClicked, this, &GroupItemDialog::LoadCurrentItem);
    for (auto* box : {name_, low_, high_})
        connect(box, &QLineEdit::textChanged, this, &GroupItemDialog::UpdateButtons);

    Reload(0);
    // Until something is typed, only the grid's rows decide.
    remove_->setEnabled(grid_->rowCount() > 0);
    modify_->setEnabled(grid_->rowCount() > 0);
}

void GroupItemDialog::SaveName() {
    try {
        summary::RenameGrouping(db_, groupId_, groupName_->text().toStdString());
    } catch (const std::exception& error) {
        return ShowError(error, this);
    }
    if (refreshGroupings_) refreshGroupings_();
}

void GroupItemDialog::AddItem() {
    StoreItem(true);
}

void GroupItemDialog::ModifyItem() {
    StoreItem(false);
}

void GroupItemDialog::StoreItem(bool adding) {
    summary::GroupItemRow item;
    item.title = name_->text().toStdString();
    item.low = Bound(low_);
    item.high = Bound(high_);
    item.lowSymbol = leftSymbol_->currentText().toStdString();
    item.highSymbol = rightSymbol_->currentText().toStdString();
    if (const auto problem = summary::ItemProblem(item))
        return ShowMessage(QString::fromStdString(*problem), this);
    if (!adding) {
        item.id = CurrentItemId();
        if (item.id == 0) return;
    }
    try {
        if (adding)
            item.id = summary::AddGroupItem(db_, groupId_, item);
        else
            summary::UpdateGroupItem(db_, groupId_, item);
    } catch (const std::exception& error) {
        return ShowError(error, this);
    }
    Reload(item.id);
}

void GroupItemDialog::RemoveItem() {
    const std::int64_t id = CurrentItemId();
    if (id == 0 || !confirmDelete(kDeleteQuestion)) return;
    const int row = grid_->currentRow();
    try {
        summary::DeleteGroupItem(db_, id);
    } catch (const std::exception& error) {
        return ShowError(error, this);
    }
    Reload(0);
    if (grid_->rowCount() > 0) grid_->setCurrentCell(std::min(row, grid_->rowCount() - 1), 0);
}

void GroupItemDialog::SortByColumn(int column) {
    if (column < 0 || column >= static_cast<int>(kColumns.size())) return;
    ascending_ = !ascending_;
    if (sortedColumn_ >= 0 && sortedColumn_ != column) {
        auto* previous = grid_->horizontalHeaderItem(sortedColumn_);
        previous->setText(QString::fromUtf8(kColumns[sortedColumn_].title));
        previous->setData(Qt::ForegroundRole, QVariant());
    }
    sortedColumn_ = column;
    auto* header = grid_->horizontalHeaderItem(column);
    header->setText(QString::fromUtf8(kColumns[column].title) +
                    (ascending_ ? kAscendingMark : kDescendingMark));
    header->setForeground(QColor(Qt::darkGreen));
    try {
        summary::StoreItemOrder(db_, groupId_, kColumns[column].field, ascending_);
    } catch (const std::exception& error) {
        return ShowError(error, this);
    }
    Reload(CurrentItemId());
}

bool GroupItemDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        RemoveItem();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void GroupItemDialog::Reload(std::int64_t currentItem) {
    std::vector<summary::GroupItemRow> items;
    try {
        items = summary::ListGroupItems(db_, groupId_);
    } catch (const std::exception& error) {
        ShowError(error, this);
    }
    const QSignalBlocker blocker(grid_);
    grid_->setRowCount(static_cast<int>(items.size()));
    int current = items.empty() ? -1 : 0;
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const auto& item = items[static_cast<std::size_t>(row)];
        const QString texts[] = {QString::fromStdString(item.title),
                                 QString::fromStdString(item.lowValue),
                                 QString::fromStdString(item.highValue)};
        for (int column = 0; column < 3; ++column) {
            auto* cell = new QTableWidgetItem(texts[column]);
            cell->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(item.id));
            cell->setData(Qt::UserRole + 1, QString::fromStdString(item.lowSymbol));
            cell->setData(Qt::UserRole + 2, QVariant::fromValue<qlonglong>(item.low));
            cell->setData(Qt::UserRole + 3, QString::fromStdString(item.highSymbol));
            cell->setData(Qt::UserRole + 4, QVariant::fromValue<qlonglong>(item.high));
            grid_->setItem(row, column, cell);
        }
        if (item.id == currentItem) current = row;
    }
    grid_->setCurrentCell(current, 0);
    UpdateButtons();
}

void GroupItemDialog::LoadCurrentItem() {
    const int row = grid_->currentRow();
    if (row < 0) return;
    const QTableWidgetItem* cell = grid_->item(row, 0);
    name_->setText(cell->text());
    leftSymbol_->setCurrentText(cell->data(Qt::UserRole + 1).toString());
    low_->setText(QString::number(cell->data(Qt::UserRole + 2).toLongLong()));
    rightSymbol_->setCurrentText(cell->data(Qt::UserRole + 3).toString());
    high_->setText(QString::number(cell->data(Qt::UserRole + 4).toLongLong()));
}

void GroupItemDialog::UpdateButtons() {
    const bool hasRows = grid_->rowCount() > 0;
    const bool valid = !name_->text().isEmpty() && Bound(low_) < Bound(high_);
    add_->setEnabled(valid);
    modify_->setEnabled(valid && hasRows);
    remove_->setEnabled(valid ? modify_->isEnabled() : hasRows);
}

std::int64_t GroupItemDialog::CurrentItemId() const {
    const int row = grid_->currentRow();
    if (row < 0 || !grid_->item(row, 0)) return 0;
    return grid_->item(row, 0)->data(Qt::UserRole).toLongLong();
}

}  // namespace tallwick::ui
