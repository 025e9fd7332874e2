// The user's sound filters as one libavfilter graph, run on the audio source's thread and
// edited from the UI thread. Output keeps the input's sample format, rate and channels.
#pragma once

#include "engine/core/processors/ChainEdits.h"
#include "engine/core/processors/FilterCatalog.h"
#include "engine/core/processors/FilterGraph.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace pelta::engine::processors {

class AudioProcessorChain {
public:
    AudioProcessorChain() = default;
    ~AudioProcessorChain();
    AudioProcessorChain(const AudioProcessorChain&) = delete;
    AudioProcessorChain& operator=(const AudioProcessorChain&) = delete;

    void SetChain(const ChainDescription& chain) { edits_.Set(chain); }  // any thread
    ChainDescription Chain() const { return edits_.Chain(); }
    bool Active() const { return edits_.Active(); }

    // Feeds `in` (pts in samples, time base 1/rate) and returns the first processed frame
    // that is ready as a new reference, or nullptr when the filters are still collecting
    // (normalisation looks ahead). Further ready frames come from Receive(). Output frames
    // carry the input's format and pts on the same clock, so sound delayed by a filter
    // keeps its place in time. An empty chain returns a copy of `in`.
    AVFrame* Process(const AVFrame* in);
    AVFrame* Receive();
    // Ends the stream: pushes end-of-stream and returns the next held-back frame (call
    // until nullptr). The next Process starts a fresh graph.
    AVFrame* Flush();

    std::string LastError() const { return edits_.LastError(); }
    uint64_t Rebuilds() const { return rebuilds_.load(); }

private:
    struct InputKey {
        int Rate = 0;
        int Format = AV_SAMPLE_FMT_NONE;
        AVChannelLayout Layout{};
    };
    void Rebuild(const AVFrame* in, const ChainDescription& chain);
    bool SameInput(const AVFrame* in) const;
    AVFrame* Pull();

    ChainEdits edits_{false};

    std::mutex runMutex_;
    FilterGraph graph_;
    bool built_ = false;
    bool failed_ = false;
    bool flushed_ = false;
    uint64_t builtVersion_ = 0;
    InputKey builtKey_;
    std::atomic<uint64_t> rebuilds_{0};
};

}  // namespace pelta::engine::processors
