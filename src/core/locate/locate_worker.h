#pragma once

// Localisation beside a check run: records go into a queue and threads of their own turn each
// into the line "建议修改：…", so the run reads and checks while the solver works.

#include "check/check_run.h"
#include "check/field_hints.h"
#include "locate/error_localiser.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace tallwick::locate {

class LocateWorker {
  public:
    // threads 0: one per processor core.
    LocateWorker(ErrorLocaliser localiser, check::FieldHints hints, unsigned threads = 0);
    // Finishes the records already given.
    ~LocateWorker();
    LocateWorker(const LocateWorker&) = delete;
    LocateWorker& operator=(const LocateWorker&) = delete;

    check::UnitNote Submit(const check::RecordValues& record);

    // For CheckDataset.
    check::UnitNotes Notes() {
        return [this](const check::RecordValues& record) { return Submit(record); };
    }

  private:
    struct Job {
        check::RecordValues record;
        std::promise<std::optional<std::string>> line;
    };

    void Work();

    const ErrorLocaliser localiser_;
    const check::FieldHints hints_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace tallwick::locate
