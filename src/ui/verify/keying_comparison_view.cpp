#include "verify/keying_comparison_view.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The index of the difference an answer row stands for.
constexpr int kDifferenceRole = Qt::UserRole + 1;

}  // namespace

KeyingComparisonView::KeyingComparisonView(verify::KeyingComparison comparison, QWidget* parent)
    : QDialog(parent), comparison_(std::move(comparison)) {
    setWindowTitle(QStringLiteral("比对两次录入"));
    resize(760, 480);
    auto* layout = new QVBoxLayout(this);
    std::size_t records = 0;
    for (std::size_t i = 0; i < comparison_.differences.size(); ++i)
        records += i == 0 || comparison_.differences[i].code != comparison_.differences[i - 1].code;
    layout->addWidget(new QLabel(
        QStringLiteral("比对了%1个记录：%2个记录有%3处不同；仅本系统有%4个，仅所选文件有%5个。"
                       "勾选的答案采用第二次录入的值，其余保留第一次录入。")
            .arg(comparison_.recordsCompared)
            .arg(records)
            .arg(comparison_.differences.size())
            .arg(comparison_.onlyHere.size())
            .arg(comparison_.onlyThere.size()),
        this));

    tree_ = new QTreeWidget(this);
    tree_->setHeaderLabels({QStringLiteral("记录 / 问题"), QStringLiteral("第一次录入"),
                            QStringLiteral("第二次录入")});
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    QTreeWidgetItem* record = nullptr;
    for (std::size_t i = 0; i < comparison_.differences.size(); ++i) {
        const auto& d = comparison_.differences[i];
        if (!record || i == 0 || d.code != comparison_.differences[i - 1].code) {
            record = new QTreeWidgetItem(tree_);
            record->setText(0, QStringLiteral("编号 ") + Text(entry::CodeText(d.code)));
            record->setFlags(record->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
            record->setCheckState(0, Qt::Unchecked);
            record->setExpanded(true);
        }
        auto* answer = new QTreeWidgetItem(record);
        answer->setText(0, Text(d.field) + QStringLiteral("  ") + Text(d.question));
        answer->setText(1, Text(verify::ValueText(d.here)));
        answer->setText(2, Text(verify::ValueText(d.there)));
        answer->setData(0, kDifferenceRole, static_cast<qulonglong>(i));
        answer->setFlags(answer->flags() | Qt::ItemIsUserCheckable);
        answer->setCheckState(0, Qt::Unchecked);
    }
    const auto listOnly = [this](const std::vector<double>& codes, const QString& title) {
        if (codes.empty()) return;
        auto* group = new QTreeWidgetItem(tree_, {title.arg(codes.size())});
        for (const double code : codes) new QTreeWidgetItem(group, {Text(entry::CodeText(code))});
    };
    listOnly(comparison_.onlyHere, QStringLiteral("仅本系统有的记录（%1个）"));
    listOnly(comparison_.onlyThere, QStringLiteral("仅所选文件有的记录（%1个）"));
    layout->addWidget(tree_);

    auto* buttons = new QDialogButtonBox(this);
    take_ = buttons->addButton(QStringLiteral("采用第二次录入"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("关  闭"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::vector<verify::TakenValue> KeyingComparisonView::Taken() const {
    std::vector<verify::TakenValue> taken;
    for (int r = 0; r < tree_->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* record = tree_->topLevelItem(r);
        for (int a = 0; a < record->childCount(); ++a) {
            const QTreeWidgetItem* answer = record->child(a);
            const QVariant index = answer->data(0, kDifferenceRole);
            if (!index.isValid() || answer->checkState(0) != Qt::Checked) continue;
            const auto& d = comparison_.differences[index.toULongLong()];
            taken.push_back({d.code, d.field, d.there});
        }
    }
    return taken;
}

}  // namespace tallwick::ui
