#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tallwick::ui {

// Held for as long as an operation that reads or changes records runs (a summary, an export, an
// import, a check run, printing, a restore, a group transfer). While any is held, no window opens,
// saves or deletes a record and no second operation starts: the operations keep the windows
// painted, so the program's windows still receive the user's keys and clicks meanwhile.
class RunningOperation {
  public:
    RunningOperation();
    // Shows `progressWindow` as well and hides it again when the operation ends, on every path.
    explicit RunningOperation(QWidget* progressWindow);
    ~RunningOperation();
    RunningOperation(const RunningOperation&) = delete;
    RunningOperation& operator=(const RunningOperation&) = delete;

    // Hides the progress window before the operation's closing message.
    void HideProgress() const;

    static bool Any();

  private:
    QWidget* progressWindow_ = nullptr;
};

// Emits changed() whenever the first operation starts or the last one ends, so that windows can
// disable their commands at once instead of at their next idle moment.
class RunningOperationSignals : public QObject {
    Q_OBJECT
  public:
    static RunningOperationSignals& Instance();
  signals:
    void changed(bool running);
};

inline constexpr const char* kOperationRunning = "另一项操作正在进行，请等它结束后再试。";

// True, after telling the user, when an operation is running and the caller must not start.
bool RefuseWhileOperationRuns(QWidget* parent);

}  // namespace tallwick::ui
