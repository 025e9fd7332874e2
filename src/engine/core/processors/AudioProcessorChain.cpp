#include "engine/core/processors/AudioProcessorChain.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
}

namespace pelta::engine::processors {

AudioProcessorChain::~AudioProcessorChain() { av_channel_layout_uninit(&builtKey_.Layout); }

bool AudioProcessorChain::SameInput(const AVFrame* in) const {
    return in->sample_rate == builtKey_.Rate && in->format == builtKey_.Format &&
           av_channel_layout_compare(&in->ch_layout, &builtKey_.Layout) == 0;
}

void AudioProcessorChain::Rebuild(const AVFrame* in, const ChainDescription& chain) {
    builtKey_.Rate = in->sample_rate;
    builtKey_.Format = in->format;
    av_channel_layout_uninit(&builtKey_.Layout);
    av_channel_layout_copy(&builtKey_.Layout, &in->ch_layout);

    char layout[128] = {};
    if (builtKey_.Layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        AVChannelLayout def{};
        av_channel_layout_default(&def, builtKey_.Layout.nb_channels);
        av_channel_layout_describe(&def, layout, sizeof layout);
        av_channel_layout_uninit(&def);
    } else {
        av_channel_layout_describe(&builtKey_.Layout, layout, sizeof layout);
    }
    const std::string rate = std::to_string(in->sample_rate);
    const char* fmt = av_get_sample_fmt_name(AVSampleFormat(in->format));

    std::vector<FilterStep> steps;
    for (const auto& e : chain.Entries) {
        auto s = AudioSteps(e);
        steps.insert(steps.end(), s.begin(), s.end());
    }
    steps.push_back({"aformat", {{"sample_fmts", fmt ? fmt : ""}, {"sample_rates", rate}, {"channel_layouts", layout}}});

    auto configure = [&](AVFilterContext* src) {
        int err = av_opt_set(src, "sample_fmt", fmt ? fmt : "", AV_OPT_SEARCH_CHILDREN);
        if (err >= 0) err = av_opt_set(src, "channel_layout", layout, AV_OPT_SEARCH_CHILDREN);
        if (err >= 0) err = av_opt_set_int(src, "sample_rate", in->sample_rate, AV_OPT_SEARCH_CHILDREN);
        if (err >= 0) err = av_opt_set_q(src, "time_base", AVRational{1, in->sample_rate}, AV_OPT_SEARCH_CHILDREN);
        return err;
    };
    const std::string why = graph_.Build(false, configure, steps);
    ++rebuilds_;
    built_ = true;
    failed_ = !why.empty();
    flushed_ = false;
    edits_.SetError(why);
}

AVFrame* AudioProcessorChain::Pull() {
    if (!graph_.Ready() || failed_) return nullptr;
    AVFrame* out = av_frame_alloc();
    if (!out) return nullptr;
    if (graph_.Receive(out) < 0) {
        av_frame_free(&out);
        return nullptr;
    }
    if (out->pts != AV_NOPTS_VALUE && builtKey_.Rate > 0)
        out->pts = av_rescale_q(out->pts, graph_.SinkTimeBase(), AVRational{1, builtKey_.Rate});
    return out;
}

AVFrame* AudioProcessorChain::Process(const AVFrame* in) {
    if (!in || in->nb_samples <= 0 || in->sample_rate <= 0 || in->ch_layout.nb_channels <= 0) return nullptr;
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
    if (!built_ || flushed_ || version != builtVersion_ || !SameInput(in)) {
        builtVersion_ = version;
        Rebuild(in, chain);
    }
    if (failed_) return av_frame_clone(in);
    if (graph_.Send(in) < 0) return av_frame_clone(in);
    return Pull();
}

AVFrame* AudioProcessorChain::Receive() {
    std::lock_guard run(runMutex_);
    return Pull();
}

AVFrame* AudioProcessorChain::Flush() {
    std::lock_guard run(runMutex_);
    if (!graph_.Ready() || failed_) return nullptr;
    if (!flushed_) {
        flushed_ = true;
        if (graph_.Send(nullptr) < 0) return nullptr;
    }
    return Pull();
}

}  // namespace pelta::engine::processors
