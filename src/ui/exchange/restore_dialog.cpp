#include "exchange/restore_dialog.h"

#include "exchange/restore.h"
#include "settings/settings.h"
#include "store/safety_copy.h"
#include "widgets/error_display.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/running_operation.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

enum Column { kTime, kOperation, kRecords, kFile, kColumns };

constexpr int kPathRole = Qt::UserRole;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

RestoreDialog::RestoreDialog(DatabaseConnection& connection, Registry& registry,
                             std::function<void()> restored, QWidget* parent)
    : QDialog(parent),
      connection_(connection),
      registry_(registry),
      restored_(std::move(restored)) {
    setWindowTitle(QStringLiteral("恢复备份"));
    const auto folder = SafetyCopyFolder(connection_.CurrentDatabasePath().parent_path());
    auto* intro = new QLabel(
        QStringLiteral("导入、分组导入、删除多条记录、压缩和恢复之前，系统自动把数据库保存为安全"
                       "备份（文件夹“%1”）。选择一份备份，用它替换当前的数据库；替换之前，当前的"
                       "数据库也会先保存一份安全备份。")
            .arg(Q(folder.string())));
    intro->setWordWrap(true);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("SafetyCopyList"));
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("操作"),
                            QStringLiteral("记录数"), QStringLiteral("文件")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setColumnWidth(kTime, 170);
    list_->setColumnWidth(kOperation, 90);
    list_->setColumnWidth(kRecords, 80);

    restore_ = new QPushButton(QStringLiteral("恢  复"));
    restore_->setObjectName(QStringLiteral("tbRestore"));
    auto* other = new QPushButton(QStringLiteral("其他备份文件…"));
    other->setObjectName(QStringLiteral("tbOtherFile"));
    auto* close = new QPushButton(QStringLiteral("关  闭"));
    kept_ = new QSpinBox;
    kept_->setObjectName(QStringLiteral("SafetyCopyCount"));
    kept_->setRange(1, 999);
    kept_->setValue(ReadSafetyCopiesKept(registry_));

    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { restore_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        RestoreFile(item->data(kTime, kPathRole).toString().toStdString());
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        const auto selected = list_->selectedItems();
        if (!selected.isEmpty())
            RestoreFile(selected.front()->data(kTime, kPathRole).toString().toStdString());
    });
    connect(other, &QPushButton::clicked, this, &RestoreDialog::ChooseOtherFile);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(kept_, &QSpinBox::editingFinished, this, [this] { SaveKeptCount(kept_->value()); });

    auto* keptRow = new QHBoxLayout;
    keptRow->addWidget(new QLabel(QStringLiteral("保留最近")));
    keptRow->addWidget(kept_);
    keptRow->addWidget(new QLabel(QStringLiteral("份安全备份，更早的自动删除")));
    keptRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(other);
    buttons->addStretch();
    buttons->addWidget(restore_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list_, 1);
    layout->addLayout(keptRow);
    layout->addLayout(buttons);
    resize(820, 460);
    Reload();
}

void RestoreDialog::Reload() {
    list_->clear();
    for (const SafetyCopy& copy :
         ListSafetyCopies(connection_.CurrentDatabasePath().parent_path())) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kTime, Q(copy.time));
        item->setData(kTime, kPathRole, Q(copy.path.string()));
        item->setText(kOperation, Q(copy.operation));
        item->setText(kRecords,
                      copy.records ? QString::number(*copy.records) : QStringLiteral("无法读取"));
        item->setTextAlignment(kRecords, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kFile, Q(copy.path.filename().string()));
        item->setToolTip(kFile, Q(copy.path.string()));
    }
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    restore_->setEnabled(!list_->selectedItems().isEmpty());
}

void RestoreDialog::ChooseOtherFile() {
    const QString chosen = AskOpenFileName(this, QStringLiteral("选择备份文件"),
                                           QStringLiteral("数据备份文件(*.mdb);;所有文件(*)"));
    if (chosen.trimmed().isEmpty()) return;
    RestoreFile(chosen.toStdString());
}

bool RestoreDialog::RestoreFile(const std::filesystem::path& file) {
    const RunningOperation running;
    try {
        const auto backup = exchange::InspectBackup(connection_.Db(), file);
        if (!ConfirmWarning(Q(exchange::RestoreQuestion(backup)), this)) return false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        exchange::RestoreResult result;
        try {
            result = exchange::RestoreBackup(connection_, file);
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        if (restored_) restored_();
        for (const auto& finding : result.upgradeFindings) ShowMessage(Q(finding), this);
        ShowMessage(Q(result.message), this);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
        Reload();
        return false;
    }
    Reload();
    return true;
}

void RestoreDialog::SaveKeptCount(int kept) {
    if (kept == ReadSafetyCopiesKept(registry_)) return;
    try {
        WriteSafetyCopiesKept(registry_, kept);
    } catch (const RegistryWriteError& error) {
        ShowMessage(QString::fromStdString(error.what()), this);
    }
}

}  // namespace tallwick::ui
