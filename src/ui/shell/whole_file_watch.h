#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <thread>

namespace tallwick {
class WholeFileCheck;
}

namespace tallwick::ui {

// Reads the whole working database once in the background after start-up, so that damage the
// opening's glance cannot see is found without making the start wait. The check pauses while an
// operation runs (it may replace or close the file) and starts again after it.
class WholeFileWatch : public QObject {
    Q_OBJECT
  public:
    explicit WholeFileWatch(std::filesystem::path working, QObject* parent = nullptr);
    ~WholeFileWatch() override;

    void Start();

  signals:
    // The check read every page: "ok" or its first finding.
    void finished(const QString& finding);

  private:
    void Pause();
    void Finish(const QString& finding);

    std::filesystem::path working_;
    std::unique_ptr<WholeFileCheck> check_;
    std::thread thread_;
    bool started_ = false;
    bool done_ = false;
};

}  // namespace tallwick::ui
