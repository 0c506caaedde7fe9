#pragma once

#include "startup.h"

#include <QMainWindow>

class QLabel;

namespace tallwick::ui {

// TMainForm: caption from the database label, the status bar with version and date, and the
// area where the record list goes.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(StartupResult startup, QWidget* parent = nullptr);

    DatabaseConnection& Connection() { return state_.connection; }
    const AppSettings& Settings() const { return state_.settings; }

  private:
    StartupResult state_;
    QLabel* listArea_ = nullptr;
};

}  // namespace tallwick::ui
