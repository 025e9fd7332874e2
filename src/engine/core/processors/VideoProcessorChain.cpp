#include "engine/core/processors/VideoProcessorChain.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace pelta::engine::processors {

void VideoProcessorChain::Reset() {
    std::lock_guard run(runMutex_);
    graph_.Reset();
    built_ = false;
}

void VideoProcessorChain::Rebuild(const InputKey& key, const ChainDescription& chain) {
    std::vector<FilterStep> steps;
    for (const auto& e : chain.Entries) {
        auto s = VideoSteps(e);
        steps.insert(steps.end(), s.begin(), s.end());
    }
    // Back to the source's pixel format, so the rest of the engine sees one format.
    steps.push_back({"format", {{"pix_fmts", av_get_pix_fmt_name(AVPixelFormat(key.Format))}}});

    auto configure = [&](AVFilterContext* src) {
        int err = av_opt_set_int(src, "width", key.Width, AV_OPT_SEARCH_CHILDREN);
        if (err >= 0) err = av_opt_set_int(src, "height", key.Height, AV_OPT_SEARCH_CHILDREN);
        if (err >= 0) err = av_opt_set_pixel_fmt(src, "pix_fmt", AVPixelFormat(key.Format), AV_OPT_SEARCH_CHILDREN);
        if (err >= 0) err = av_opt_set_q(src, "time_base", key.TimeBase, AV_OPT_SEARCH_CHILDREN);
        if (err >= 0)
            err = av_opt_set_q(src, "pixel_aspect", key.Sar.num > 0 ? key.Sar : AVRational{1, 1}, AV_OPT_SEARCH_CHILDREN);
        return err;
    };
    const std::string why = graph_.Build(true, configure, steps);
    ++rebuilds_;
    built_ = true;
    failed_ = !why.empty();
    edits_.SetError(why);
}

AVFrame* VideoProcessorChain::Process(const AVFrame* in, AVRational timeBase) {
    if (!in || in->width <= 0 || in->height <= 0 || in->format < 0) return nullptr;
    ChainDescription chain;
    const uint64_t version = edits_.Take(chain);
    std::lock_guard run(runMutex_);
    if (chain.Empty()) {
        if (built_) {
            graph_.Reset();
            built_ = false;
        }
        return av_frame_clone(in);
    }
    const InputKey key{in->width, in->height, in->format, in->sample_aspect_ratio, timeBase};
    if (!built_ || version != builtVersion_ || !(key == builtKey_)) {
        builtVersion_ = version;
        builtKey_ = key;
        Rebuild(key, chain);
    }
    if (failed_) return av_frame_clone(in);

    // The source takes its own reference; `in` stays the caller's.
    if (graph_.Send(in) < 0) return av_frame_clone(in);
    AVFrame* out = av_frame_alloc();
    if (!out) return nullptr;
    // Should a filter emit several frames for one input, the newest is the one shown.
    bool got = false;
    while (true) {
        AVFrame* next = got ? av_frame_alloc() : out;
        if (!next) break;
        const int err = graph_.Receive(next);
        if (err < 0) {
            if (next != out) av_frame_free(&next);
            break;
        }
        if (next != out) {
            av_frame_unref(out);
            av_frame_move_ref(out, next);
            av_frame_free(&next);
        }
        got = true;
    }
    if (!got) {
        av_frame_free(&out);
        return nullptr;
    }
    if (out->pts != AV_NOPTS_VALUE)
        out->pts = av_rescale_q(out->pts, graph_.SinkTimeBase(), timeBase);
    return out;
}

}  // namespace pelta::engine::processors
