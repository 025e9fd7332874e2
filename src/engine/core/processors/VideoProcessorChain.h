// The user's picture filters as one libavfilter graph. The UI thread edits the chain with
// SetChain while a source thread runs Process; the graph is rebuilt on the processing
// thread when the chain or the input format changes. (A capture keeps its picture size
// whatever the chain does: the capture writer scales to the encoder's size.)
#pragma once

#include "engine/core/processors/ChainEdits.h"
#include "engine/core/processors/FilterCatalog.h"
#include "engine/core/processors/FilterGraph.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace pelta::engine::processors {

class VideoProcessorChain {
public:
    VideoProcessorChain() = default;
    VideoProcessorChain(const VideoProcessorChain&) = delete;
    VideoProcessorChain& operator=(const VideoProcessorChain&) = delete;

    // Any thread. Unknown filters are dropped and values clamped into range.
    void SetChain(const ChainDescription& chain) { edits_.Set(chain); }
    ChainDescription Chain() const { return edits_.Chain(); }

    // The processed picture as a new reference (caller frees), in the input's pixel format;
    // the size follows the chain (crop, rotate). A chain that cannot be built
    // passes frames through unchanged and reports why in LastError. nullptr while a filter
    // still collects frames (deinterlacing needs the next frame) or for a null input.
    // One processing thread at a time; calls are serialised.
    AVFrame* Process(const AVFrame* in, AVRational timeBase = {1, 1000000});

    // Frames taken by Process since the last rebuild are dropped, e.g. on a device change.
    void Reset();

    bool Active() const { return edits_.Active(); }  // the chain has filters
    std::string LastError() const { return edits_.LastError(); }  // "" when the graph built
    uint64_t Rebuilds() const { return rebuilds_.load(); }

private:
    struct InputKey {
        int Width = 0, Height = 0;
        int Format = AV_PIX_FMT_NONE;
        AVRational Sar{0, 1};
        AVRational TimeBase{0, 1};
        bool operator==(const InputKey& o) const {
            return Width == o.Width && Height == o.Height && Format == o.Format &&
                   av_cmp_q(Sar, o.Sar) == 0 && av_cmp_q(TimeBase, o.TimeBase) == 0;
        }
    };

    void Rebuild(const InputKey& key, const ChainDescription& chain);

    ChainEdits edits_{true};

    std::mutex runMutex_;  // guards the graph state below
    FilterGraph graph_;
    bool built_ = false;      // graph_ (or a recorded failure) matches builtVersion_/builtKey_
    bool failed_ = false;
    uint64_t builtVersion_ = ~uint64_t(0);
    InputKey builtKey_;
    std::atomic<uint64_t> rebuilds_{0};
};

}  // namespace pelta::engine::processors
