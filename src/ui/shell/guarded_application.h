#pragma once

#include <QApplication>

#include <filesystem>

namespace tallwick::ui {

// The application's general error display: an error that escapes the handler of any event (a
// button's action, a key, a timer) is shown to the user, that action ends, and the program and
// its open windows go on with what the user has typed.
class GuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;

    // The database an engine failure is about unless it says otherwise.
    void SetWorkingDatabase(std::filesystem::path path) { workingDatabase_ = std::move(path); }

  private:
    std::filesystem::path workingDatabase_;
};

}  // namespace tallwick::ui
