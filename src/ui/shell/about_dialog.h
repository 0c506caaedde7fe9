#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

namespace tallwick::ui {

// TdlgAboutForm: the about window and, with its progress bar and timer running, the start-up
// splash. A click anywhere on it closes it.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    // `markAllClean` runs on the service gesture: a double click on the product name while
    // Ctrl and Alt (and no other modifier) are held.
    explicit AboutDialog(bool asSplash, std::function<void()> markAllClean = {},
                         QWidget* parent = nullptr);

    static constexpr Qt::KeyboardModifiers kServiceModifiers =
        Qt::ControlModifier | Qt::AltModifier;

    QProgressBar* Progress() const { return progress_; }
    QLabel* NameLabel() const { return name_; }
    // One step of the splash timer: the bar advances by 2 of 100 parts and the window closes at
    // 100.
    void Tick();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* name_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer timer_;
    std::function<void()> markAllClean_;
};

}  // namespace tallwick::ui
