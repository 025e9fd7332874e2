#include "engine/UiRelay.h"

#include <QSocketNotifier>

#include <cstdint>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pelta {

UiRelay::UiRelay() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeFd_ < 0) throw std::runtime_error("no eventfd for the engine's events");
    notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });
}

UiRelay::~UiRelay() {
    notifier_.reset();
    ::close(wakeFd_);
}

void UiRelay::Send(std::function<void()> work) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= kMaxQueued) {
            ++dropped_;
            return;
        }
        wake = queue_.empty();  // a queue already waiting has woken the UI thread
        queue_.push_back(std::move(work));
    }
    if (wake) {
        const uint64_t one = 1;
        // Cannot fail short of a full counter (2^64 - 1 wakes unread).
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
}

void UiRelay::Drain() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);  // EAGAIN when already read
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(queue_);
    }
    // Run outside the lock: the work may send more (it comes in the next round).
    for (auto& work : ready) work();
}

}  // namespace pelta
