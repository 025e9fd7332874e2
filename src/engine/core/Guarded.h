// A value that can only be reached through a lock on its own mutex: whoever reads or writes
// it holds the lock for exactly as long as the returned access lives.
#pragma once

#include <condition_variable>
#include <mutex>
#include <utility>

namespace pelta::engine {

template <typename T>
class Guarded {
public:
    template <typename... Args>
    explicit Guarded(Args&&... args) : value_(std::forward<Args>(args)...) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    template <typename V>
    class Access {
    public:
        Access(std::mutex& m, V& v) : lock_(m), value_(&v) {}
        V& operator*() const { return *value_; }
        V* operator->() const { return value_; }
        // Waits on `cv`, the lock released meanwhile, until `ready` holds.
        template <typename Pred>
        void Wait(std::condition_variable& cv, Pred ready) {
            cv.wait(lock_, ready);
        }

    private:
        std::unique_lock<std::mutex> lock_;
        V* value_;
    };

    Access<T> Lock() { return Access<T>(mutex_, value_); }
    Access<const T> Lock() const { return Access<const T>(mutex_, value_); }
    // A copy taken under the lock.
    T Get() const { return *Lock(); }
    void Set(T value) { *Lock() = std::move(value); }

private:
    mutable std::mutex mutex_;
    T value_;
};

}  // namespace pelta::engine
