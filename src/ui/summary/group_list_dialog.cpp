#include "summary/group_list_dialog.h"

#include "common/user_error.h"
#include "exchange/exchange_error.h"
#include "exchange/group_transfer.h"
#include "store/connection.h"
#include "store/engine_error.h"
#include "summary/group_item_dialog.h"
#include "summary/groupings.h"
#include "widgets/error_display.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/operation_progress.h"
#include "widgets/progress_window.h"
#include "widgets/question_dialog.h"
#include "widgets/running_operation.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>

namespace tallwick::ui {
namespace {

const QString kAccessFilter = QStringLiteral("Access文件(*.mdb)");

QPushButton* NewButton(const QString& text, const char* objectName) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

std::optional<QString> AskGroupingName(QWidget* parent) {
    for (;;) {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(QStringLiteral("自定义分组"));
        dialog.setLabelText(QStringLiteral("输入本种分组方式的名称"));
        dialog.setTextEchoMode(QLineEdit::Normal);
        if (auto* box = dialog.findChild<QLineEdit*>()) box->setMaxLength(255);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        if (!dialog.textValue().isEmpty()) return dialog.textValue();
    }
}

// The transfer's own failures carry their wording; anything else gets the exchange's.
void ShowTransferError(const std::exception& error, QWidget* parent) {
    if (dynamic_cast<const UserError*>(&error))
        ShowMessage(QString::fromUtf8(error.what()), parent);
    else
        ShowMessage(QString::fromUtf8(exchange::RunTimeError(ErrorText(error)).what()), parent);
}

}  // namespace

GroupListDialog::GroupListDialog(SQLite::Database& db, std::filesystem::path programFolder,
                                 TProgressBarForm* progress, QWidget* parent)
    : QDialog(parent),
      db_(db),
      programFolder_(std::move(programFolder)),
      grid_(new QTableWidget(0, 1)),
      remove_(NewButton(QStringLiteral("除  去"), "tbRemove")),
      modify_(NewButton(QStringLiteral("修  改"), "tbModify")),
      progress_(progress) {
    setWindowTitle(QStringLiteral("自定义分组列表"));
    askName = [this] { return AskGroupingName(this); };
    confirmDelete = [this](const QString& text) {
        return AskQuestion(text, kAskYes | kAskNo, this) == kAnswerYes;
    };
    editGrouping = [this](std::int64_t id, const QString& name) {
        GroupItemDialog(
            db_, id, name, [this] { Reload(); }, this)
            .exec();
    };
    askExportFile = [this] {
        return AskSaveFileName(this, QStringLiteral("导出文件存放为"), kAccessFilter, QString(),
                               QStringLiteral(".mdb"));
    };
    askImportFile = [this] {
        const QString chosen =
            AskOpenFileName(this, QStringLiteral("选择导入文件"), kAccessFilter).trimmed();
        return chosen.isEmpty() ? chosen : WithExtension(chosen, QStringLiteral(".mdb"));
    };

    grid_->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("名称")));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);

    auto* add = NewButton(QStringLiteral("增  加"), "tbAdd");
    auto* import = NewButton(QStringLiteral("导  入"), "tbImport");
    auto* exportButton = NewButton(QStringLiteral("导  出"), "tbExport");
    auto* back = NewButton(QStringLiteral("返  回"), "tbReturn");
    auto* buttons = new QHBoxLayout;
    buttons_ = {add, remove_, modify_, import, exportButton, back};
    for (auto* button : buttons_) buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    resize(480, 340);

    connect(add, &QPushButton::clicked, this, &GroupListDialog::AddGrouping);
    connect(remove_, &QPushButton::clicked, this, &GroupListDialog::RemoveGrouping);
    connect(modify_, &QPushButton::clicked, this, &GroupListDialog::ModifyGrouping);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &GroupListDialog::ModifyGrouping);
    connect(import, &QPushButton::clicked, this, &GroupListDialog::ImportGroupings);
    connect(exportButton, &QPushButton::clicked, this, &GroupListDialog::ExportGroupings);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    Reload();
}

void GroupListDialog::Reload() {
    const std::int64_t selected = SelectedId();
    std::vector<summary::GroupingRow> rows;
    try {
        rows = summary::ListGroupings(db_);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const auto& grouping = rows[static_cast<std::size_t>(row)];
        auto* cell = new QTableWidgetItem(QString::fromStdString(grouping.name));
        cell->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(grouping.id));
        grid_->setItem(row, 0, cell);
    }
    Select(selected);
    remove_->setEnabled(grid_->rowCount() > 0);
    modify_->setEnabled(grid_->rowCount() > 0);
}

void GroupListDialog::AddGrouping() {
    const auto name = askName();
    if (!name) return;
    std::int64_t id = 0;
    try {
        id = summary::AddGrouping(db_, name->toStdString());
    } catch (const std::exception& error) {
        return ShowMessage(UncaughtErrorText(error), this);
    }
    Reload();
    Select(id);
    editGrouping(id, *name);
    Reload();
}

void GroupListDialog::RemoveGrouping() {
    const std::int64_t id = SelectedId();
    if (id == 0 || !confirmDelete(QStringLiteral("数据将被彻底删除，确认么？"))) return;
    try {
        summary::DeleteGrouping(db_, id);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    Reload();
}

void GroupListDialog::ModifyGrouping() {
    const std::int64_t id = SelectedId();
    if (id == 0) return;
    editGrouping(id, grid_->item(grid_->currentRow(), 0)->text());
    Reload();
}

void GroupListDialog::ImportGroupings() {
    const QString file = askImportFile();
    if (file.isEmpty()) return;
    try {
        exchange::TableImportResult result;
        Transfer([&](const exchange::ExchangeProgress& progress) {
            result =
                exchange::ImportTables(db_, exchange::kGroupTables, file.toStdString(), progress);
        });
        for (const auto& missing : result.missingTables)
            ShowMessage(QString::fromStdString(missing), this);
        ShowMessage(QString::fromStdString(result.message), this);
    } catch (const std::exception& error) {
        ShowTransferError(error, this);
    }
    Reload();
}

void GroupListDialog::ExportGroupings() {
    const QString file = askExportFile();
    if (file.isEmpty()) return;
    try {
        std::string message;
        Transfer([&](const exchange::ExchangeProgress& progress) {
            message = exchange::ExportTables(programFolder_ / kDatabaseFileName,
                                             exchange::kGroupTables, file.toStdString(), progress);
        });
        ShowMessage(QString::fromStdString(message), this);
    } catch (const std::exception& error) {
        ShowTransferError(error, this);
    }
}

void GroupListDialog::Transfer(const std::function<void(const exchange::ExchangeProgress&)>& work) {
    std::vector<QPushButton*> disabled;
    for (QPushButton* button : buttons_) {
        if (!button->isEnabled()) continue;
        button->setEnabled(false);
        disabled.push_back(button);
    }
    // Back as they were on every path, before the outcome's message.
    const auto enableAgain = qScopeGuard([&disabled] {
        for (QPushButton* button : disabled) button->setEnabled(true);
    });
    const RunningOperation running(progress_);
    work(ProgressOf(progress_));
}

std::int64_t GroupListDialog::SelectedId() const {
    const int row = grid_->currentRow();
    if (row < 0 || !grid_->item(row, 0)) return 0;
    return grid_->item(row, 0)->data(Qt::UserRole).toLongLong();
}

void GroupListDialog::Select(std::int64_t id) {
    int current = grid_->rowCount() > 0 ? 0 : -1;
    for (int row = 0; row < grid_->rowCount(); ++row)
        if (grid_->item(row, 0)->data(Qt::UserRole).toLongLong() == id) current = row;
    grid_->setCurrentCell(current, 0);
}

}  // namespace tallwick::ui
