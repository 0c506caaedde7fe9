#include "summary/summary_dialog.h"

#include "common/user_error.h"
#include "settings/settings.h"
#include "store/program_folder.h"
#include "summary/groupings.h"
#include "summary/summary_workbook.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"
#include "widgets/running_operation.h"
#include "widgets/two_bar_progress_window.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace tallwick::ui {
namespace {

Qt::CheckState CheckStateOf(int tick) {
    return tick == 1 ? Qt::Checked : tick == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int TickOf(Qt::CheckState state) {
    return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

bool IsGroupLine(const QListWidgetItem* item) {
    return item->text().startsWith(QStringLiteral("//"));
}

// Feeds the two bars from the run's state: sheets on the first, cells of the sheet on the second.
summary::SummaryProgress TwoBarsOf(TProgressBar2LineForm* window) {
    struct Seen {
        int sheets = -1;
        std::uint64_t cells = 0;
    };
    auto seen = std::make_shared<Seen>();
    return [window, seen](const summary::SummaryProgressState& state) {
        if (window) {
            if (seen->sheets < 0) {
                window->InitFirst(state.sheetsTotal);
                seen->sheets = 0;
            }
            for (; seen->sheets < state.sheetsDone; ++seen->sheets) window->IncFirst();
            if (state.cellsDone == 0) {
                window->InitSecond(static_cast<int>(state.cellsTotal));
                seen->cells = 0;
            }
            for (; seen->cells < state.cellsDone; ++seen->cells) window->IncSecond();
        }
        QApplication::processEvents();
    };
}

// The user gets the workbook in the desktop's spreadsheet program, or at least learns where it is.
void HandOver(const QString& path, QWidget* parent) {
    OpenFileInViewer(path, parent, QStringLiteral("汇总表已保存到："));
}

// A name of its own for every run, so that a workbook still open in a viewer is never replaced.
QString NewWorkbookPath(const QString& folder) {
    const QString stem = QStringLiteral("2018基层以上汇总表-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(stem + QStringLiteral("-%1.xlsx").arg(n));
    return path;
}

}  // namespace

SummaryDialog::SummaryDialog(SQLite::Database& db, std::filesystem::path programFolder,
                             TProgressBar2LineForm* progress, QWidget* parent)
    : QDialog(parent),
      outputFolder(DocumentsFolder()),
      db_(db),
      programFolder_(std::move(programFolder)),
      progress_(progress),
      list_(new QListWidget),
      level_(new QRadioButton(QStringLiteral("工会层次"))),
      state_(new QRadioButton(QStringLiteral("填报状态"))),
      custom_(new QRadioButton),
      group_(new QToolButton),
      groupMenu_(new QMenu(this)),
      sum_(new QPushButton(QStringLiteral("汇  总"))) {
    setWindowTitle(QStringLiteral("数据分类汇总"));
    list_->setObjectName(QStringLiteral("TableList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->viewport()->installEventFilter(this);

    auto* tickAll = new QPushButton(QStringLiteral("全部选中"));
    auto* tickNone = new QPushButton(QStringLiteral("全部不选"));
    auto* tickButtons = new QHBoxLayout;
    tickButtons->addWidget(tickAll);
    tickButtons->addWidget(tickNone);
    tickButtons->addStretch(1);

    level_->setChecked(true);
    group_->setObjectName(QStringLiteral("tbGroup"));
    group_->setText(QStringLiteral("自定义分组"));
    group_->setMenu(groupMenu_);
    group_->setPopupMode(QToolButton::MenuButtonPopup);
    group_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    group_->setMinimumWidth(140);
    auto* sumType = new QGroupBox(QStringLiteral("汇总方式"));
    sumType->setObjectName(QStringLiteral("SumType"));
    auto* choices = new QHBoxLayout(sumType);
    choices->addWidget(level_);
    choices->addWidget(state_);
    choices->addWidget(custom_);
    choices->addWidget(group_);
    choices->addStretch(1);

    sum_->setObjectName(QStringLiteral("tbSum"));
    sum_->setToolTip(QStringLiteral("执行汇总"));
    auto* back = new QPushButton(QStringLiteral("返  回"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sum_);
    buttons->addWidget(back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(tickButtons);
    layout->addWidget(sumType);
    layout->addLayout(buttons);

    connect(tickAll, &QPushButton::clicked, this, [this] { SetAllTicks(true); });
    connect(tickNone, &QPushButton::clicked, this, [this] { SetAllTicks(false); });
    connect(group_, &QToolButton::clicked, custom_, [this] { custom_->setChecked(true); });
    connect(groupMenu_, &QMenu::aboutToShow, custom_, [this] { custom_->setChecked(true); });
    connect(sum_, &QPushButton::clicked, this, &SummaryDialog::RunSummary);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    // The list as the user last left it in the data folder, else the delivered one.
    ShowLines(summary::ReadTableList(DeliveredFile(programFolder_, summary::kTableListFileName)));
    FillGroupingMenu();
    setFixedSize(QSize(460, 560));
}

void SummaryDialog::ShowLines(const std::vector<summary::TableListLine>& lines) {
    list_->clear();
    for (const auto& line : lines) {
        auto* item = new QListWidgetItem(QString::fromStdString(line.text), list_);
        item->setFlags(line.enabled
                           ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                           : Qt::ItemIsUserCheckable);
        item->setCheckState(CheckStateOf(line.tick));
        if (line.IsGroup()) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        }
    }
}

std::vector<summary::TableListLine> SummaryDialog::Lines() const {
    std::vector<summary::TableListLine> lines;
    for (int row = 0; row < list_->count(); ++row) {
        const QListWidgetItem* item = list_->item(row);
        lines.push_back({item->text().toStdString(), (item->flags() & Qt::ItemIsEnabled) != 0,
                         TickOf(item->checkState())});
    }
    return lines;
}

void SummaryDialog::SetAllTicks(bool ticked) {
    for (int row = 0; row < list_->count(); ++row)
        list_->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void SummaryDialog::TickGroupOf(int row) {
    if (row < 0 || row >= list_->count() || !IsGroupLine(list_->item(row))) return;
    for (int next = row + 1; next < list_->count() && !IsGroupLine(list_->item(next)); ++next)
        list_->item(next)->setCheckState(Qt::Checked);
}

bool SummaryDialog::eventFilter(QObject* watched, QEvent* event) {
    // Group lines are disabled, and a view hands no double click on to disabled lines.
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = list_->indexAt(mouse->position().toPoint());
        if (index.isValid() && IsGroupLine(list_->item(index.row()))) {
            TickGroupOf(index.row());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SummaryDialog::FillGroupingMenu() {
    groupMenu_->clear();
    std::vector<summary::GroupingRow> groupings;
    try {
        groupings = summary::ListGroupings(db_);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    for (const auto& grouping : groupings) {
        QAction* action = groupMenu_->addAction(QString::fromStdString(grouping.name));
        action->setEnabled(grouping.itemCount > 0);
        const std::int64_t id = grouping.id;
        connect(action, &QAction::triggered, this, [this, id] { ChooseGrouping(id); });
    }
    group_->setEnabled(!groupings.empty());
    custom_->setEnabled(!groupings.empty());
    if (!groupings.empty()) ChooseGrouping(groupings.front().id);
}

void SummaryDialog::ChooseGrouping(std::int64_t id) {
    if (const auto grouping = summary::FindGrouping(db_, id)) {
        groupId_ = grouping->id;
        group_->setText(QString::fromStdString(grouping->name));
    }
}

void SummaryDialog::RunSummary() {
    summary::SummaryRequest request;
    request.sheets = summary::TickedSheets(Lines());
    const auto ticked = std::count(request.sheets.begin(), request.sheets.end(), true);
    if (ticked == 0) return;
    if (ticked == 1 && request.sheets[0])
        return ShowMessage(QString::fromUtf8(summary::kOnlyCoverTicked), this);
    if (custom_->isChecked()) {
        request.grouping = summary::Grouping::Custom;
        request.groupId = groupId_;
    } else {
        request.grouping =
            state_->isChecked() ? summary::Grouping::State : summary::Grouping::Level;
    }

    QDir().mkpath(outputFolder);
    const QString path = NewWorkbookPath(outputFolder);
    {
        const RunningOperation running(progress_);
        try {
            summary::WriteSummaryWorkbook(
                db_, DeliveredFile(programFolder_, summary::kSummaryTemplateName), request,
                path.toStdString(), TwoBarsOf(progress_));
        } catch (const std::exception& error) {
            running.HideProgress();
            return ShowMessage(UncaughtErrorText(error), this);
        }
    }
    lastWorkbook_ = path;
    HandOver(path, this);
}

void SummaryDialog::done(int result) {
    try {
        summary::WriteTableList(programFolder_ / summary::kTableListFileName, Lines());
    } catch (const std::exception&) {
        // A read-only program folder costs only the remembered ticks.
    }
    QDialog::done(result);
}

}  // namespace tallwick::ui
