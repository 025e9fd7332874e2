#include "engine/core/devices/DeviceOpener.h"

#include "engine/core/EngineContract.h"

#include <algorithm>

namespace pelta::engine {

DeviceOpener::DeviceOpener(Settled settled)
    : settled_(std::move(settled)), thread_([this](std::stop_token stop) { Loop(stop); }) {}

void DeviceOpener::Stop() {
    thread_.request_stop();
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

DeviceOpener::~DeviceOpener() { Stop(); }

bool DeviceOpener::Waits(int key) const {
    return std::any_of(waiting_.begin(), waiting_.end(), [key](const auto& w) { return w.first == key; });
}

void DeviceOpener::Ask(int key, Change change) {
    {
        std::lock_guard lock(mutex_);
        const auto same = std::find_if(waiting_.begin(), waiting_.end(), [key](const auto& w) { return w.first == key; });
        if (same != waiting_.end()) same->second = std::move(change);  // keeps its turn
        else waiting_.emplace_back(key, std::move(change));
    }
    cv_.notify_all();
}

bool DeviceOpener::Busy(int key) const {
    std::lock_guard lock(mutex_);
    return runningKey_ == key || Waits(key);
}

bool DeviceOpener::NewerWaits(int key) const {
    std::lock_guard lock(mutex_);
    return Waits(key);
}

void DeviceOpener::WaitIdle(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, stop, [this] { return waiting_.empty() && runningKey_ < 0; });
}

void DeviceOpener::Loop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        cv_.wait(lock, stop, [this] { return !waiting_.empty(); });
        if (stop.stop_requested()) break;
        auto [key, change] = std::move(waiting_.front());
        waiting_.pop_front();
        runningKey_ = key;
        lock.unlock();
        std::string refusal;
        try {
            change();
        } catch (const EngineError& e) {
            refusal = e.what();
        }
        change = nullptr;  // what the change held goes before it is told
        if (settled_) settled_(key, refusal);
        lock.lock();
        runningKey_ = -1;
        cv_.notify_all();
    }
    waiting_.clear();
    runningKey_ = -1;
    cv_.notify_all();
}

}  // namespace pelta::engine
