#include "entry/entry_suggestion.h"

#include "locate/locate_fields.h"
#include "locate/suggestion_text.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>

namespace tallwick::ui {
namespace {

// Two at a time: a newer save need not wait for a slow older search, and a burst of saves does
// not take every core.
constexpr int kSearchThreads = 2;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

RepairSuggestion SuggestionFor(const locate::Localisation& found, const check::FieldHints& hints) {
    RepairSuggestion suggestion;
    if (found.outcome != locate::Localisation::Outcome::Suggested || found.changes.empty()) {
        if (const auto line = locate::SuggestionLine(found, hints)) suggestion.line = Text(*line);
        return suggestion;
    }
    for (const locate::RepairChange& change : found.changes) {
        const auto name = locate::LocateFields()[static_cast<std::size_t>(change.field)].name;
        suggestion.answers.push_back(
            {locate::EntryPageOf(change.field),
             QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())), change.repaired,
             Text(locate::ChangeText(change, hints))});
    }
    return suggestion;
}

struct SuggestionWorker::Shared {
    SuggestionSearch search;
    check::FieldHints hints;
    std::mutex mutex;
    std::condition_variable idle;
    SuggestionWorker* receiver = nullptr;  // nullptr once the worker is gone
    int running = 0;
    // The newest request that found both threads busy; an older one it replaces is stale anyway.
    std::optional<std::pair<check::RecordValues, int>> waiting;
};

SuggestionWorker::SuggestionWorker(SuggestionSearch search, check::FieldHints hints,
                                   QObject* parent)
    : QObject(parent), shared_(std::make_shared<Shared>()) {
    shared_->search = std::move(search);
    shared_->hints = std::move(hints);
    shared_->receiver = this;
}

SuggestionWorker::~SuggestionWorker() {
    std::unique_lock lock(shared_->mutex);
    shared_->receiver = nullptr;
    shared_->waiting.reset();
    // A search of milliseconds is let finish, so that none outlives the program; a slow one
    // ends on its own, holding only what it shares.
    shared_->idle.wait_for(lock, std::chrono::seconds(1), [this] { return shared_->running == 0; });
}

void SuggestionWorker::Request(const check::RecordValues& values, int ticket) {
    const std::lock_guard lock(shared_->mutex);
    if (shared_->running >= kSearchThreads) {
        shared_->waiting.emplace(values, ticket);
        return;
    }
    ++shared_->running;
    std::thread(&SuggestionWorker::Run, shared_, values, ticket).detach();
}

void SuggestionWorker::Run(std::shared_ptr<Shared> shared, check::RecordValues values, int ticket) {
    for (;;) {
        RepairSuggestion suggestion;
        try {
            suggestion = SuggestionFor(shared->search(values), shared->hints);
        } catch (const std::exception&) {
            // No suggestion rather than a broken window.
        }
        const std::lock_guard lock(shared->mutex);
        if (SuggestionWorker* receiver = shared->receiver) {
            // Delivered on the window's thread; dropped with the worker if it goes first.
            QMetaObject::invokeMethod(
                receiver,
                [receiver, ticket, suggestion = std::move(suggestion)] {
                    emit receiver->Ready(ticket, suggestion);
                },
                Qt::QueuedConnection);
        }
        if (!shared->waiting) {
            --shared->running;
            shared->idle.notify_all();
            return;
        }
        std::tie(values, ticket) = std::move(*shared->waiting);
        shared->waiting.reset();
    }
}

}  // namespace tallwick::ui
