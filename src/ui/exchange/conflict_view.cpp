#include "exchange/conflict_view.h"

#include "common/number_text.h"
#include "store/record_state.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

enum Column { kCode, kName, kExisting, kIncoming, kDiffering, kReplace, kColumns };

constexpr int kCodeRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

QString CodeText(double code) {
    return QString::fromStdString(NumberText(code));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A record state by its name, as in the record's own row; any other value as stored.
QString ValueShown(const std::string& field, const std::string& value) {
    if (QString::fromStdString(field).compare(QStringLiteral("RecordState"), Qt::CaseInsensitive) !=
            0 ||
        value.empty())
        return Q(value);
    bool whole = false;
    const int state = Q(value).toInt(&whole);
    return whole ? RecordStateName(state) : Q(value);
}

}  // namespace

QString RecordStateName(const std::optional<int>& state) {
    if (!state) return QString();
    const char* name = ::tallwick::RecordStateName(*state);
    return name != nullptr ? QString::fromUtf8(name) : QString::number(*state);
}

ConflictView::ConflictView(std::vector<exchange::CollidingRecord> records,
                           DifferenceSource differences, QWidget* parent)
    : QDialog(parent), records_(std::move(records)), differences_(std::move(differences)) {
    setWindowTitle(QStringLiteral("编号冲突的记录"));
    auto* intro = new QLabel(
        QStringLiteral("准备导入的文件中有%1条记录的编号与现有的记录相同。请逐条选择是保留现有的"
                       "记录，还是采用导入的记录（勾选）；展开一行可以查看两者不同的字段。"
                       "点“导  入”导入新的记录和勾选的记录，点“取  消”不导入任何数据。")
            .arg(records_.size()));
    intro->setWordWrap(true);

    tree_ = new QTreeWidget;
    tree_->setObjectName(QStringLiteral("ConflictTree"));
    tree_->setColumnCount(kColumns);
    tree_->setHeaderLabels({QStringLiteral("编号 / 字段"), QStringLiteral("单位名称 / 指标"),
                            QStringLiteral("现有的记录"), QStringLiteral("导入的记录"),
                            QStringLiteral("不同的字段"), QStringLiteral("采用导入的记录")});
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(records_.size()));
    for (const auto& record : records_) {
        auto* item = new QTreeWidgetItem;
        item->setText(kCode, CodeText(record.code));
        item->setData(kCode, kCodeRole, record.code);
        item->setText(kName, Q(record.existingName));
        item->setText(kExisting, RecordStateName(record.existingState));
        item->setText(kIncoming, RecordStateName(record.incomingState));
        item->setText(kDiffering, QString::number(record.differingFields));
        item->setTextAlignment(kDiffering, Qt::AlignRight | Qt::AlignVCenter);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(kReplace, Qt::Unchecked);
        item->setChildIndicatorPolicy(record.differingFields > 0
                                          ? QTreeWidgetItem::ShowIndicator
                                          : QTreeWidgetItem::DontShowIndicator);
        items.push_back(item);
    }
    tree_->addTopLevelItems(items);
    tree_->header()->setSectionResizeMode(QHeaderView::Interactive);
    tree_->setColumnWidth(kCode, 150);
    tree_->setColumnWidth(kName, 300);
    tree_->setColumnWidth(kExisting, 120);
    tree_->setColumnWidth(kIncoming, 120);
    tree_->setColumnWidth(kDiffering, 80);
    // The fields of a record are read when it is first opened: a re-submission may bring
    // tens of thousands of records.
    connect(tree_, &QTreeWidget::itemExpanded, this, &ConflictView::FillDifferences);
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int column) {
        if (column == kReplace) UpdateSummary();
    });

    summary_ = new QLabel;
    keepAll_ = new QPushButton(QStringLiteral("全部保留现有的记录"));
    replaceAll_ = new QPushButton(QStringLiteral("全部采用导入的记录"));
    import_ = new QPushButton(QStringLiteral("导  入"));
    auto* cancel = new QPushButton(QStringLiteral("取  消"));
    import_->setObjectName(QStringLiteral("tbImport"));
    cancel->setObjectName(QStringLiteral("tbCancel"));
    connect(keepAll_, &QPushButton::clicked, this, [this] { SetAll(false); });
    connect(replaceAll_, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(import_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(keepAll_);
    buttons->addWidget(replaceAll_);
    buttons->addStretch();
    buttons->addWidget(import_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(tree_, 1);
    layout->addWidget(summary_);
    layout->addLayout(buttons);
    resize(980, 560);
    UpdateSummary();
}

exchange::ImportDecisions ConflictView::Decisions() const {
    exchange::ImportDecisions decisions;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = tree_->topLevelItem(i);
        if (item->checkState(kReplace) == Qt::Checked)
            decisions.replace.insert(item->data(kCode, kCodeRole).toDouble());
    }
    return decisions;
}

void ConflictView::SetAll(bool replace) {
    const QSignalBlocker quiet(tree_);
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        tree_->topLevelItem(i)->setCheckState(kReplace, replace ? Qt::Checked : Qt::Unchecked);
    tree_->viewport()->update();
    UpdateSummary();
}

void ConflictView::FillDifferences(QTreeWidgetItem* item) {
    if (item->parent() || item->data(kCode, kFilledRole).toBool() || !differences_) return;
    item->setData(kCode, kFilledRole, true);
    const QSignalBlocker quiet(tree_);
    for (const auto& difference : differences_(item->data(kCode, kCodeRole).toDouble())) {
        auto* child = new QTreeWidgetItem(item);
        child->setText(kCode, Q(difference.field));
        child->setText(kName, Q(difference.question));
        child->setToolTip(kName, Q(difference.question));
        child->setText(kExisting, ValueShown(difference.field, difference.existing));
        child->setText(kIncoming, ValueShown(difference.field, difference.incoming));
        child->setForeground(kIncoming, QColor(170, 40, 30));
    }
}

void ConflictView::UpdateSummary() {
    int replaced = 0;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        replaced += tree_->topLevelItem(i)->checkState(kReplace) == Qt::Checked ? 1 : 0;
    summary_->setText(QStringLiteral("采用导入的记录：%1条；保留现有的记录：%2条。")
                          .arg(replaced)
                          .arg(tree_->topLevelItemCount() - replaced));
}

}  // namespace tallwick::ui
