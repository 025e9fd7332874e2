// The filter chain as the UI thread edits it and a processing thread reads it: the chain
// under a lock of its own (never held while a graph is built or run), a version that tells
// the processing thread to rebuild, and why the last build failed.
#pragma once

#include "engine/core/processors/FilterCatalog.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

namespace pelta::engine::processors {

class ChainEdits {
public:
    explicit ChainEdits(bool video) : video_(video) {}

    // Any thread. Unknown filters are dropped and values clamped; an equal chain keeps the version.
    void Set(const ChainDescription& chain) {
        ChainDescription clean = Sanitised(chain, video_);
        std::lock_guard lock(mutex_);
        if (clean == chain_) return;
        chain_ = std::move(clean);
        ++version_;
    }
    ChainDescription Chain() const {
        std::lock_guard lock(mutex_);
        return chain_;
    }
    bool Active() const {
        std::lock_guard lock(mutex_);
        return !chain_.Empty();
    }
    std::string LastError() const {
        std::lock_guard lock(mutex_);
        return error_;
    }
    void SetError(const std::string& why) {
        std::lock_guard lock(mutex_);
        error_ = why;
    }
    // The chain to run and its version; an empty chain has nothing left to fail.
    uint64_t Take(ChainDescription& chain) {
        std::lock_guard lock(mutex_);
        chain = chain_;
        if (chain_.Empty()) error_.clear();
        return version_;
    }

private:
    const bool video_;
    mutable std::mutex mutex_;
    ChainDescription chain_;
    uint64_t version_ = 0;
    std::string error_;
};

}  // namespace pelta::engine::processors
