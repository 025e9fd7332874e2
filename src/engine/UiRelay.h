// Work handed from the engine's threads to the UI thread without calling into Qt on the
// way: a queue under a mutex of ours and an eventfd that the UI thread's event loop watches.
// Qt's own cross-thread posting runs under its futex-based locks, which ThreadSanitizer
// cannot see; going through this relay keeps every hand-over visible to it, and keeps the
// engine's threads out of Qt altogether.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace pelta {

class UiRelay {
public:
    // On the UI thread: the work sent is run there, by its event loop (nested ones too).
    UiRelay();
    ~UiRelay();
    UiRelay(const UiRelay&) = delete;
    UiRelay& operator=(const UiRelay&) = delete;

    // Any thread. The senders coalesce what repeats (progress, repaints), so the queue
    // holds a handful; past kMaxQueued a runaway sender's work is dropped and counted.
    void Send(std::function<void()> work);
    // UI thread: runs what has been sent so far (the event loop calls it when woken).
    void Drain();
    size_t Dropped() const { return dropped_; }

    static constexpr size_t kMaxQueued = 256;

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;  // under mutex_
    std::atomic<size_t> dropped_{0};
    int wakeFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace pelta
