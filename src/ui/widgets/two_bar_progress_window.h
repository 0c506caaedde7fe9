#pragma once

#include <QWidget>

class QProgressBar;

namespace tallwick::ui {

// TProgressBar2LineForm: the progress window of operations with an outer and an inner loop.
// Created once and reused; the caller shows and hides it.
class TProgressBar2LineForm : public QWidget {
    Q_OBJECT
  public:
    explicit TProgressBar2LineForm(QWidget* parent = nullptr);

    void InitFirst(int total);
    void InitSecond(int total);
    void IncFirst();
    void IncSecond();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QProgressBar* first_ = nullptr;
    QProgressBar* second_ = nullptr;
};

}  // namespace tallwick::ui
