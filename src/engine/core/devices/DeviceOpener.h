// Opens and closes devices on a thread of its own, so that whoever asks for a change of
// device returns at once. Changes run one at a time, in the order asked; a change asked
// again before its turn (same key) replaces the one waiting, since only the newest choice
// matters, so the queue never holds more than one change per key. When a change has run,
// `settled` is told on the opener's thread: the refusal's words, or nothing when it opened.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

namespace pelta::engine {

class DeviceOpener {
public:
    using Change = std::function<void()>;  // throws EngineError when the device refuses
    using Settled = std::function<void(int key, const std::string& refusal)>;

    explicit DeviceOpener(Settled settled);
    // The change under way finishes; those still waiting are dropped. Stop returns once the
    // opener's thread has ended (no change runs any more); the destructor stops it too.
    void Stop();
    ~DeviceOpener();
    DeviceOpener(const DeviceOpener&) = delete;
    DeviceOpener& operator=(const DeviceOpener&) = delete;

    void Ask(int key, Change change);
    // A change of this key waits or runs.
    bool Busy(int key) const;
    // A newer change of this key waits (the one running is not the last asked).
    bool NewerWaits(int key) const;
    // Returns once no change waits or runs, or when `stop` is requested. Never on the
    // opener's own thread.
    void WaitIdle(std::stop_token stop = {});

private:
    void Loop(std::stop_token stop);
    bool Waits(int key) const;  // under mutex_

    Settled settled_;
    mutable std::mutex mutex_;
    std::condition_variable_any cv_;
    std::deque<std::pair<int, Change>> waiting_;  // under mutex_
    int runningKey_ = -1;                          // under mutex_; -1: none runs
    std::jthread thread_;                          // last: it starts once the rest is ready
};

}  // namespace pelta::engine
