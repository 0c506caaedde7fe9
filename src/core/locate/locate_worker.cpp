#include "locate/locate_worker.h"

#include "locate/suggestion_text.h"

#include <algorithm>

namespace tallwick::locate {

LocateWorker::LocateWorker(ErrorLocaliser localiser, check::FieldHints hints, unsigned threads)
    : localiser_(std::move(localiser)), hints_(std::move(hints)) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

LocateWorker::~LocateWorker() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

check::UnitNote LocateWorker::Submit(const check::RecordValues& record) {
    Job job{record, {}};
    check::UnitNote note = job.line.get_future().share();
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return note;
}

void LocateWorker::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job.line.set_value(SuggestionLine(localiser_.Locate(job.record), hints_));
        } catch (...) {
            // A record the solver cannot take gets no line; the run goes on.
            job.line.set_value(std::nullopt);
        }
    }
}

}  // namespace tallwick::locate
