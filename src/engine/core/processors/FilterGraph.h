// A libavfilter graph from one buffer source through a list of filters to one buffer sink.
// Filters are created one by one with their options set as AVOptions, so no option text
// ever needs filter-graph escaping.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

#include "engine/core/MediaHub.h"
#include "engine/core/ffmpeg/OnDemandLibraries.h"
#include "engine/core/processors/FilterCatalog.h"

#include <string>
#include <utility>
#include <vector>

namespace pelta::engine::processors {

struct FilterStep {
    std::string Filter;                                        // libavfilter name
    std::vector<std::pair<std::string, std::string>> Options;  // AVOption name, value
};

// The libavfilter filters that make up one chain entry (unknown entries give none).
std::vector<FilterStep> VideoSteps(const ChainEntry& entry);
std::vector<FilterStep> AudioSteps(const ChainEntry& entry);

class FilterGraph {
public:
    FilterGraph() = default;
    ~FilterGraph() { Reset(); }
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    // Builds source -> steps -> sink. `source` is "buffer" or "abuffer" with its already-
    // configured parameters applied by `configureSource` (AVOptions on the source). Returns
    // "" or a reason, among them libavfilter missing.
    template <typename ConfigureSource>
    std::string Build(bool video, ConfigureSource&& configureSource, const std::vector<FilterStep>& steps) {
        Reset();
        std::string why = Start(video);
        if (!why.empty()) return why;
        if (int err = configureSource(source_); err < 0) return Fail("source: " + AvError(err));
        return Finish(video, steps);
    }
    void Reset();
    bool Ready() const { return graph_ != nullptr && sink_ != nullptr; }
    // Hands the graph a frame (a new reference: `in` stays the caller's), or the end of the
    // stream for nullptr. 0 or an AVERROR.
    int Send(const AVFrame* in);
    // The next frame out of the graph into `out`; AVERROR(EAGAIN) when it has none yet.
    int Receive(AVFrame* out);
    AVRational SinkTimeBase() const;


private:
    std::string Start(bool video);
    std::string Finish(bool video, const std::vector<FilterStep>& steps);
    std::string Fail(const std::string& why) {
        Reset();
        return why;
    }

    const ffmpeg::AvFilterFunctions* api_ = nullptr;  // set once the graph is started
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
};

}  // namespace pelta::engine::processors
