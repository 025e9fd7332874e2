// A libavfilter graph from one buffer source through a list of filters to one buffer sink.
// Filters are created one by one with their options set as AVOptions, so no option text
// ever needs filter-graph escaping.
#pragma once

#include <cstdint>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/frame.h>
}

#include "engine/core/MediaHub.h"
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
    // configured parameters applied by `configureSource`. Returns "" or a reason.
    template <typename ConfigureSource>
    std::string Build(bool video, ConfigureSource&& configureSource, const std::vector<FilterStep>& steps) {
        Reset();
        graph_ = avfilter_graph_alloc();
        if (!graph_) return "out of memory";
        source_ = avfilter_graph_alloc_filter(graph_, avfilter_get_by_name(video ? "buffer" : "abuffer"), "in");
        if (!source_) return Fail("cannot create the source");
        if (int err = configureSource(source_); err < 0) return Fail("source: " + AvError(err));
        return Finish(video, steps);
    }
    void Reset();
    bool Ready() const { return graph_ != nullptr && sink_ != nullptr; }
    AVFilterContext* Source() const { return source_; }
    AVFilterContext* Sink() const { return sink_; }


private:
    std::string Finish(bool video, const std::vector<FilterStep>& steps);
    std::string Fail(const std::string& why) {
        Reset();
        return why;
    }

    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
};

}  // namespace pelta::engine::processors
