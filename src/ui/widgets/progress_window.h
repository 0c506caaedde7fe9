#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

namespace tallwick::ui {

// The two lines under the bar after `ticks` timer ticks of 100 ms with `done` of `total` parts
// completed. estimateTicks is the remaining time in ticks, -1 while there is no estimate.
struct ProgressLines {
    QString left;
    QString right;
    long long estimateTicks = -1;
};

// Counts only during the first five seconds and while nothing is done; after that the time used
// and the time left, assuming every part takes as long as the average so far.
ProgressLines ProgressTexts(int ticks, int done, int total);

// TProgressBarForm: the shared progress window of long operations. Created once and reused; the
// caller shows it, sets the caption, and hides it at the end. While shown it is modal to the
// whole program, so that no second action starts under the running one.
class TProgressBarForm : public QWidget {
    Q_OBJECT
  public:
    explicit TProgressBarForm(QWidget* parent = nullptr);

    void InitProgress(int total, int done);
    void IncProgress();

    int Total() const { return total_; }
    int Done() const { return done_; }
    int Ticks() const { return ticks_; }
    long long EstimateTicks() const { return estimateTicks_; }
    bool IsTiming() const;

  public slots:
    // One timer tick; public so that tests can drive the clock.
    void Tick();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    class Spinner;

    QProgressBar* bar_ = nullptr;
    Spinner* spinner_ = nullptr;
    QLabel* leftLine_ = nullptr;
    QLabel* rightLine_ = nullptr;
    QTimer* timer_ = nullptr;
    int total_ = 0;
    int done_ = 0;
    int ticks_ = 0;
    long long estimateTicks_ = -1;
};

}  // namespace tallwick::ui
