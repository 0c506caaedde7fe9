#pragma once

#include "check/check_run.h"
#include "check/check_scope.h"

#include <QDialog>
#include <QTimer>

#include <SQLiteCpp/Database.h>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QGroupBox;

namespace tallwick::ui {

// Runs a check over `scope` with the compiled rules and tells the user the outcome: the result
// file opened in the viewer when there were errors, "恭喜你，所检查的数据没有逻辑错误" otherwise,
// nothing after a stop. Errors (a result file that cannot be written) reach the user as messages.
// With `locate`, each record's errors are followed by the answers to look at first.
check::CheckRunResult RunCheckAndReport(SQLite::Database& db, const std::string& databaseLabel,
                                        const check::CheckScope& scope,
                                        const check::CheckProgress& progress, QWidget* parent,
                                        bool locate = false);

// TdlgCheckForm "选择检查的方式": the selection, all records or a code range, with progress,
// pause, resume and stop.
class CheckDialog : public QDialog {
    Q_OBJECT
  public:
    // `selectionScope` gives the record list's selection (empty when the list has no rows);
    // `refreshList` re-reads the list in place after a run.
    CheckDialog(SQLite::Database& db, std::string databaseLabel,
                std::function<std::optional<check::CheckScope>()> selectionScope,
                std::function<void()> refreshList, QWidget* parent = nullptr);

    // The heights of the original dialog and the row of the locate box below the choices.
    static constexpr int kLocateRowHeight = 26;
    static constexpr int kIdleHeight = 168 + kLocateRowHeight;
    static constexpr int kRunningHeight = 255 + kLocateRowHeight;

    QRadioButton* selectedChoice() const { return selected_; }
    QRadioButton* allChoice() const { return all_; }
    QRadioButton* rangeChoice() const { return range_; }
    QLineEdit* lowBox() const { return low_; }
    QLineEdit* highBox() const { return high_; }
    QCheckBox* locateBox() const { return locate_; }
    QPushButton* checkButton() const { return check_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* resumeButton() const { return resume_; }
    QPushButton* returnButton() const { return return_; }
    QLabel* doneLabel() const { return doneLabel_; }
    QLabel* leftLabel() const { return leftLabel_; }
    QProgressBar* progressBar() const { return bar_; }

    // Called after each record during a run; tests hook in here to pause or stop half way.
    std::function<void(std::uint64_t done)> afterRecord;

  public slots:
    void StartCheck();       // "检  查"
    void Pause();            // "暂  停"
    void Resume();           // "继  续"
    void Return();           // "返  回"
    void Tick();             // the 100 ms timer
    void reject() override;  // Esc and the close box: like "返  回"

  private:
    check::RunControl OnProgress(std::uint64_t done, std::uint64_t total);
    void EnterIdle();
    void ShowCounters();

    SQLite::Database& db_;
    std::string label_;
    std::function<std::optional<check::CheckScope>()> selectionScope_;
    std::function<void()> refreshList_;

    QRadioButton* selected_;
    QRadioButton* all_;
    QRadioButton* range_;
    QLineEdit* low_;
    QLineEdit* high_;
    QGroupBox* progressGroup_;
    QProgressBar* bar_;
    QProgressBar* busy_;
    QLabel* preparing_;
    QLabel* doneLabel_;
    QLabel* leftLabel_;
    QPushButton* check_;
    QPushButton* pause_;
    QPushButton* resume_;
    QPushButton* return_;
    QCheckBox* changeState_;
    QCheckBox* locate_;
    QTimer timer_;

    bool pauseRequested_ = false;
    bool stopRequested_ = false;
    bool ranOnce_ = false;  // a run has ended and its counts are shown
    int ticks_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
};

}  // namespace tallwick::ui
