#include "check/check_dialog.h"

#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "common/user_error.h"
#include "locate/locate_worker.h"
#include "widgets/code_box.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"
#include "widgets/running_operation.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <SQLiteCpp/Exception.h>

namespace tallwick::ui {

check::CheckRunResult RunCheckAndReport(SQLite::Database& db, const std::string& databaseLabel,
                                        const check::CheckScope& scope,
                                        const check::CheckProgress& progress, QWidget* parent,
                                        bool locate) {
    const RunningOperation running;
    check::CheckRunResult result;
    try {
        const check::FieldHints hints = check::FieldHints::Load(db);
        const check::CompiledRuleSet rules(hints);
        check::CheckReport report(check::CheckReportPath(check::TemporaryFolder(), databaseLabel));
        // The solver works on the other cores while this thread reads and checks.
        std::optional<locate::LocateWorker> localiser;
        if (locate) {
            localiser.emplace(locate::ErrorLocaliser(locate::LocateCatalogue::Read(db),
                                                     locate::LocateRules::Delivered()),
                              hints);
        }
        result = check::CheckDataset(db, scope, rules, report, progress, true,
                                     localiser ? localiser->Notes() : check::UnitNotes{});
        if (result.stopped) return result;
        if (result.totalsWritten) {
            OpenFileInViewer(QString::fromStdString(report.Path().string()), parent);
        } else {
            ShowMessage(QString::fromUtf8(check::kNoLogicErrors), parent);
        }
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), parent);
    }
    return result;
}

CheckDialog::CheckDialog(SQLite::Database& db, std::string databaseLabel,
                         std::function<std::optional<check::CheckScope>()> selectionScope,
                         std::function<void()> refreshList, QWidget* parent)
    : QDialog(parent),
      db_(db),
      label_(std::move(databaseLabel)),
      selectionScope_(std::move(selectionScope)),
      refreshList_(std::move(refreshList)),
      selected_(new QRadioButton(QStringLiteral("选中的数据"))),
      all_(new QRadioButton(QStringLiteral("所有的数据"))),
      range_(new QRadioButton(QStringLiteral("指定单位编号的范围"))),
      low_(NewCodeBox(kCodeRangeBoxLength)),
      high_(NewCodeBox(kCodeRangeBoxLength)),
      progressGroup_(new QGroupBox(QStringLiteral("检查进度"))),
      bar_(new QProgressBar),
      preparing_(new QLabel(QStringLiteral("正在准备数据 ..."))),
      doneLabel_(new QLabel),
      leftLabel_(new QLabel),
      check_(new QPushButton(QStringLiteral("检  查"))),
      pause_(new QPushButton(QStringLiteral("暂  停"))),
      resume_(new QPushButton(QStringLiteral("继  续"))),
      return_(new QPushButton(QStringLiteral("返  回"))),
      changeState_(new QCheckBox(QStringLiteral("标记逻辑合格的数据"), this)),
      locate_(new QCheckBox(QStringLiteral("同时定位可能有误的指标"))) {
    setWindowTitle(QStringLiteral("选择检查的方式"));
    low_->setObjectName(QStringLiteral("c901_1"));
    high_->setObjectName(QStringLiteral("c901_2"));
    selected_->setChecked(true);
    changeState_->setChecked(true);
    changeState_->hide();

    auto* choices = new QGroupBox(QStringLiteral("检查的内容"));
    auto* choiceGrid = new QGridLayout(choices);
    choiceGrid->addWidget(selected_, 0, 0, 1, 2);
    choiceGrid->addWidget(all_, 0, 2, 1, 2);
    choiceGrid->addWidget(range_, 1, 0, 1, 4);
    choiceGrid->addWidget(new QLabel(QStringLiteral("从")), 2, 0);
    choiceGrid->addWidget(low_, 2, 1);
    choiceGrid->addWidget(new QLabel(QStringLiteral("到")), 2, 2);
    choiceGrid->addWidget(high_, 2, 3);
    locate_->setObjectName(QStringLiteral("LocateErrors"));
    locate_->setToolTip(
        QStringLiteral("在检查结果中为每个有错误的单位列出建议修改的指标和建议的值"));
    choiceGrid->addWidget(locate_, 3, 0, 1, 4);

    bar_->setTextVisible(false);
    busy_ = new QProgressBar;  // an animation while the run goes on
    busy_->setRange(0, 0);
    busy_->setFixedWidth(48);
    busy_->setTextVisible(false);
    auto* progressGrid = new QGridLayout(progressGroup_);
    progressGrid->addWidget(bar_, 0, 0, 1, 2);
    progressGrid->addWidget(busy_, 0, 2);
    progressGrid->addWidget(preparing_, 1, 0, 1, 3);
    progressGrid->addWidget(doneLabel_, 1, 0);
    progressGrid->addWidget(leftLabel_, 1, 1, 1, 2, Qt::AlignRight);
    progressGroup_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {check_, pause_, resume_, return_}) buttons->addWidget(button);
    check_->setObjectName(QStringLiteral("tbCheck"));
    pause_->setObjectName(QStringLiteral("tbPause"));
    resume_->setObjectName(QStringLiteral("tbResume"));
    return_->setObjectName(QStringLiteral("tbReturn"));
    connect(check_, &QPushButton::clicked, this, &CheckDialog::StartCheck);
    connect(pause_, &QPushButton::clicked, this, &CheckDialog::Pause);
    connect(resume_, &QPushButton::clicked, this, &CheckDialog::Resume);
    connect(return_, &QPushButton::clicked, this, &CheckDialog::Return);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choices);
    layout->addWidget(progressGroup_);
    layout->addStretch(1);
    layout->addLayout(buttons);

    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &CheckDialog::Tick);
    setFixedWidth(460);
    EnterIdle();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void CheckDialog::StartCheck() {
    for (QWidget* choice : std::initializer_list<QWidget*>{selected_, all_, range_, locate_})
        choice->setEnabled(false);
    bar_->setValue(0);
    preparing_->show();
    busy_->show();
    doneLabel_->hide();
    leftLabel_->hide();
    progressGroup_->show();
    setFixedHeight(kRunningHeight);
    check_->setEnabled(false);
    pause_->setEnabled(false);
    return_->setEnabled(false);
    // Cleared here rather than when the rows start, so that Esc while the data is prepared
    // still stops the run.
    pauseRequested_ = false;
    stopRequested_ = false;
    done_ = 0;
    total_ = 0;
    ranOnce_ = false;
    QApplication::processEvents();

    std::optional<check::CheckScope> scope;
    if (selected_->isChecked()) {
        scope = selectionScope_ ? selectionScope_() : std::nullopt;
    } else if (all_->isChecked()) {
        scope = check::CheckScope::All();
    } else {
        if (low_->text().isEmpty()) low_->setText(QStringLiteral("0"));
        if (high_->text().isEmpty()) high_->setText(QStringLiteral("0"));
        try {
            const check::RangeEntry entry =
                check::ParseRangeEntry(low_->text().toStdString(), high_->text().toStdString());
            high_->setText(QString::fromStdString(entry.highText));
            scope = entry.scope;
        } catch (const UserError& error) {
            ShowMessage(QString::fromUtf8(error.what()), this);
        }
    }
    if (scope) {
        const auto result = RunCheckAndReport(
            db_, label_, *scope,
            [this](std::uint64_t done, std::uint64_t total) { return OnProgress(done, total); },
            this, locate_->isChecked());
        if (!result.stopped && refreshList_) {
            try {
                refreshList_();
            } catch (...) {
                // The list shows the states on its next re-read anyway.
            }
        }
        ranOnce_ = !result.stopped && !doneLabel_->isHidden();
    }
    EnterIdle();
}

check::RunControl CheckDialog::OnProgress(std::uint64_t done, std::uint64_t total) {
    if (done == 0) {
        preparing_->hide();
        pause_->setEnabled(true);
        return_->setEnabled(true);
        total_ = total;
        bar_->setRange(0, static_cast<int>(std::min<std::uint64_t>(total, INT32_MAX)));
        ticks_ = 0;
        timer_.start();
    }
    done_ = done;
    bar_->setValue(static_cast<int>(std::min<std::uint64_t>(done, INT32_MAX)));
    // The last row shows the final counts at once; a short run may end before the first tick.
    if (done == 0 || done >= total) ShowCounters();
    if (done >= total) timer_.stop();
    if (done > 0 && afterRecord) afterRecord(done);
    QApplication::processEvents();
    if (stopRequested_) return check::RunControl::Stop;
    // While paused the run waits here, keeping the dialog alive, until resumed or stopped.
    while (pauseRequested_ && !stopRequested_)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return stopRequested_ ? check::RunControl::Stop : check::RunControl::Continue;
}

void CheckDialog::ShowCounters() {
    const ProgressLines lines =
        ProgressTexts(ticks_, static_cast<int>(done_), static_cast<int>(total_));
    doneLabel_->setText(lines.left);
    leftLabel_->setText(lines.right);
    doneLabel_->show();
    leftLabel_->show();
}

void CheckDialog::Tick() {
    ++ticks_;
    ShowCounters();
}

void CheckDialog::Pause() {
    timer_.stop();
    pauseRequested_ = true;
    pause_->setEnabled(false);
    resume_->setEnabled(true);
}

void CheckDialog::Resume() {
    pauseRequested_ = false;
    timer_.start();
    pause_->setEnabled(true);
    resume_->setEnabled(false);
}

void CheckDialog::Return() {
    reject();
}

void CheckDialog::reject() {
    // Esc and the window's close as well: a run must not go on behind a hidden dialog.
    stopRequested_ = true;
    timer_.stop();
    QDialog::reject();
}

void CheckDialog::EnterIdle() {
    // After a run that ended its final counts stay in sight until the next run.
    progressGroup_->setVisible(ranOnce_);
    preparing_->hide();
    busy_->hide();
    setFixedHeight(ranOnce_ ? kRunningHeight : kIdleHeight);
    check_->setEnabled(true);
    return_->setEnabled(true);
    pause_->setEnabled(false);
    resume_->setEnabled(false);
    for (QWidget* choice : std::initializer_list<QWidget*>{selected_, all_, range_, locate_})
        choice->setEnabled(true);
}

}  // namespace tallwick::ui
