#include "engine/core/processors/FilterGraph.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <string>

namespace pelta::engine::processors {

namespace {

std::string Num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

std::string DbToLinear(double db) { return Num(std::pow(10.0, db / 20.0)); }

}  // namespace

std::vector<FilterStep> VideoSteps(const ChainEntry& entry) {
    const FilterSpec* spec = FindFilter(entry.Id, true);
    if (!spec) return {};
    auto v = [&](const char* key) { return ParamValue(*spec, entry, key); };
    const std::string& id = entry.Id;
    if (id == "mirror") return {{"hflip", {}}};
    if (id == "flip") return {{"vflip", {}}};
    if (id == "rotate") {
        switch (int(v("angle"))) {
        case 0: return {{"transpose", {{"dir", "clock"}}}};
        case 2: return {{"transpose", {{"dir", "cclock"}}}};
        default: return {{"hflip", {}}, {"vflip", {}}};
        }
    }
    if (id == "crop") {
        // Margins larger than the picture leave a 2-pixel strip rather than failing the graph.
        const std::string L = Num(v("left")), T = Num(v("top")), R = Num(v("right")), B = Num(v("bottom"));
        return {{"crop",
                 {{"w", "2*trunc(max(2,iw-" + L + "-" + R + ")/2)"},
                  {"h", "2*trunc(max(2,ih-" + T + "-" + B + ")/2)"},
                  {"x", "min(" + L + ",iw-ow)"},
                  {"y", "min(" + T + ",ih-oh)"}}}};
    }
    if (id == "grey") return {{"format", {{"pix_fmts", "gray"}}}};
    if (id == "deinterlace") {
        return {{v("method") > 0 ? "bwdif" : "yadif", {{"mode", "send_frame"}, {"deint", "all"}}}};
    }
    if (id == "denoise") {
        const double s = v("spatial"), t = v("temporal");
        return {{"hqdn3d",
                 {{"luma_spatial", Num(s)}, {"chroma_spatial", Num(s * 0.75)},
                  {"luma_tmp", Num(t)}, {"chroma_tmp", Num(t * 0.75)}}}};
    }
    if (id == "datetime") {
        const int corner = int(v("corner"));
        const std::string x = (corner == 1 || corner == 3) ? "w-tw-10" : "10";
        const std::string y = (corner >= 2) ? "h-th-10" : "10";
        // No font file: drawtext asks fontconfig for its default sans face.
        return {{"drawtext",
                 {{"font", "Sans"},
                  {"text", "%{localtime:%Y-%m-%d %H\\:%M\\:%S}"},
                  {"fontsize", Num(v("size"))},
                  {"fontcolor", "white"},
                  {"box", v("box") > 0 ? "1" : "0"},
                  {"boxcolor", "black@0.6"},
                  {"boxborderw", "4"},
                  {"x", x},
                  {"y", y}}}};
    }
    if (id == "eq")
        return {{"eq",
                 {{"brightness", Num(v("brightness"))}, {"contrast", Num(v("contrast"))},
                  {"saturation", Num(v("saturation"))}, {"gamma", Num(v("gamma"))}}}};
    return {};
}

std::vector<FilterStep> AudioSteps(const ChainEntry& entry) {
    const FilterSpec* spec = FindFilter(entry.Id, false);
    if (!spec) return {};
    auto v = [&](const char* key) { return ParamValue(*spec, entry, key); };
    const std::string& id = entry.Id;
    if (id == "volume") return {{"volume", {{"volume", Num(v("gain"))}, {"precision", "float"}}}};
    if (id == "highpass") return {{"highpass", {{"f", Num(v("frequency"))}}}};
    if (id == "lowpass") return {{"lowpass", {{"f", Num(v("frequency"))}}}};
    if (id == "gate")
        return {{"agate",
                 {{"threshold", DbToLinear(v("threshold"))}, {"ratio", Num(v("ratio"))},
                  {"attack", Num(v("attack"))}, {"release", Num(v("release"))}}}};
    if (id == "normalise") {
        if (v("method") > 0) return {{"loudnorm", {{"I", Num(v("target"))}}}};
        return {{"dynaudnorm", {}}};
    }
    if (id == "compressor")
        return {{"acompressor",
                 {{"threshold", DbToLinear(v("threshold"))}, {"ratio", Num(v("ratio"))},
                  {"attack", Num(v("attack"))}, {"release", Num(v("release"))},
                  {"makeup", DbToLinear(v("makeup"))}}}};
    return {};
}

void FilterGraph::Reset() {
    if (api_ != nullptr) api_->avfilter_graph_free(&graph_);
    source_ = sink_ = nullptr;
}

std::string FilterGraph::Start(bool video) {
    std::string why;
    api_ = ffmpeg::AvFilter(&why);
    if (api_ == nullptr) return "libavfilter is not available: " + why;
    graph_ = api_->avfilter_graph_alloc();
    if (!graph_) return "out of memory";
    // The filters run on the thread that feeds the graph: the encoders already keep the cores
    // busy, and libavfilter's own slice threads (one per core for every graph) would only add
    // hand-overs, through counters ThreadSanitizer cannot follow.
    graph_->nb_threads = 1;
    source_ = api_->avfilter_graph_alloc_filter(graph_, api_->avfilter_get_by_name(video ? "buffer" : "abuffer"), "in");
    if (!source_) return Fail("cannot create the source");
    return {};
}

std::string FilterGraph::Finish(bool video, const std::vector<FilterStep>& steps) {
    const auto& f = *api_;
    if (int err = f.avfilter_init_str(source_, nullptr); err < 0) return Fail("source: " + AvError(err));
    AVFilterContext* last = source_;
    int n = 0;
    for (const auto& step : steps) {
        const AVFilter* filter = f.avfilter_get_by_name(step.Filter.c_str());
        if (!filter) return Fail("the filter " + step.Filter + " is not available");
        const std::string name = step.Filter + "_" + std::to_string(n++);
        AVFilterContext* ctx = f.avfilter_graph_alloc_filter(graph_, filter, name.c_str());
        if (!ctx) return Fail("out of memory");
        for (const auto& [key, value] : step.Options)
            if (int err = av_opt_set(ctx, key.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN); err < 0)
                return Fail(step.Filter + " " + key + ": " + AvError(err));
        if (int err = f.avfilter_init_str(ctx, nullptr); err < 0) return Fail(step.Filter + ": " + AvError(err));
        if (int err = f.avfilter_link(last, 0, ctx, 0); err < 0) return Fail(step.Filter + ": " + AvError(err));
        last = ctx;
    }
    sink_ = f.avfilter_graph_alloc_filter(graph_, f.avfilter_get_by_name(video ? "buffersink" : "abuffersink"), "out");
    if (!sink_) return Fail("cannot create the sink");
    if (int err = f.avfilter_init_str(sink_, nullptr); err < 0) return Fail("sink: " + AvError(err));
    if (int err = f.avfilter_link(last, 0, sink_, 0); err < 0) return Fail("sink: " + AvError(err));
    if (int err = f.avfilter_graph_config(graph_, nullptr); err < 0) return Fail(AvError(err));
    return {};
}

int FilterGraph::Send(const AVFrame* in) {
    if (!Ready()) return AVERROR(EINVAL);
    return in != nullptr ? api_->av_buffersrc_write_frame(source_, in) : api_->av_buffersrc_add_frame(source_, nullptr);
}

int FilterGraph::Receive(AVFrame* out) {
    return Ready() ? api_->av_buffersink_get_frame(sink_, out) : AVERROR(EINVAL);
}

AVRational FilterGraph::SinkTimeBase() const {
    return Ready() ? api_->av_buffersink_get_time_base(sink_) : AVRational{0, 1};
}

}  // namespace pelta::engine::processors
