// The processor chains on synthetic frames: what each filter does to real pixels and
// samples, rebuilding on format and chain changes, and the chain's text form.
#include "Frames.h"
#include "engine/core/processors/AudioProcessorChain.h"
#include "engine/core/processors/VideoProcessorChain.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/imgutils.h>
}

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>

using namespace pelta::engine::processors;

namespace {

using pelta::test::BlankPicture;
using pelta::test::FramePtr;

// A packed RGB24 picture whose every pixel differs from its neighbours.
FramePtr RgbFrame(int w, int h, int64_t pts = 0) {
    FramePtr f = BlankPicture(AV_PIX_FMT_RGB24, w, h);
    f->pts = pts;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = f->data[0] + y * f->linesize[0] + 3 * x;
            p[0] = uint8_t(x * 7 + y);
            p[1] = uint8_t(y * 5 + 40);
            p[2] = uint8_t(255 - x * 3);
        }
    return f;
}

FramePtr YuvFrame(int w, int h) {
    FramePtr f = BlankPicture(AV_PIX_FMT_YUV420P, w, h);
    for (int p = 0; p < 3; ++p) {
        const int pw = p ? w / 2 : w, ph = p ? h / 2 : h;
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x) f->data[p][y * f->linesize[p] + x] = uint8_t(16 + (x * 3 + y * 2 + p * 50) % 200);
    }
    return f;
}

// A square wave of +-value: interleaved for S16, one plane a channel for FLTP.
FramePtr ToneFrame(AVSampleFormat fmt, int rate, int channels, int samples, int64_t pts, int16_t value = 1000) {
    FramePtr f(av_frame_alloc());
    f->format = fmt;
    f->sample_rate = rate;
    f->nb_samples = samples;
    f->pts = pts;
    av_channel_layout_default(&f->ch_layout, channels);
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    for (int i = 0; i < samples * channels; ++i) {
        const int16_t v = (i / channels) % 2 ? value : int16_t(-value);
        if (fmt == AV_SAMPLE_FMT_S16) reinterpret_cast<int16_t*>(f->data[0])[i] = v;
        else reinterpret_cast<float*>(f->data[i % channels])[i / channels] = v / 32768.0f;
    }
    return f;
}

// The first channel's sample i, in 16-bit units.
double Sample(const AVFrame* f, int i) {
    if (f->format == AV_SAMPLE_FMT_S16) return reinterpret_cast<const int16_t*>(f->data[0])[i * f->ch_layout.nb_channels];
    return reinterpret_cast<const float*>(f->data[0])[i] * 32768.0;
}

const uint8_t* Rgb(const AVFrame* f, int x, int y) { return f->data[0] + y * f->linesize[0] + 3 * x; }

ChainDescription One(const std::string& id, std::map<std::string, double> values = {}) {
    return ChainDescription{{ChainEntry{id, std::move(values)}}};
}

FramePtr Filter(VideoProcessorChain& chain, const AVFrame* in) { return FramePtr(chain.Process(in)); }

}  // namespace

// Filters that move pixels, every pixel of the result against where it lies in the 40x30
// picture given; grey, every pixel with equal channels. No chain gives an unchanged copy.
TEST(ProcessorVideo, EveryPixelIsWhereTheChainPutsIt) {
    struct Case {
        const char* name;
        ChainDescription chain;
        int w, h;                                      // of the result
        std::function<std::pair<int, int>(int, int)> from;  // the result's (x, y) in the picture given
    };
    const Case cases[] = {
        {"nothing", {}, 40, 30, [](int x, int y) { return std::pair{x, y}; }},
        {"mirror", One("mirror"), 40, 30, [](int x, int y) { return std::pair{39 - x, y}; }},
        {"flip", One("flip"), 40, 30, [](int x, int y) { return std::pair{x, 29 - y}; }},
        // Clockwise: the input's bottom-left corner becomes the top-left one.
        {"rotate 90", One("rotate", {{"angle", 0}}), 30, 40, [](int x, int y) { return std::pair{y, 29 - x}; }},
        {"rotate 180", One("rotate", {{"angle", 1}}), 40, 30, [](int x, int y) { return std::pair{39 - x, 29 - y}; }},
        {"crop", One("crop", {{"left", 8}, {"top", 4}, {"right", 6}, {"bottom", 2}}), 26, 24,
         [](int x, int y) { return std::pair{x + 8, y + 4}; }},
        // The filters in the chain's order: cropped, then turned.
        {"crop, rotate 90", ChainDescription{{ChainEntry{"crop", {{"left", 8}}}, ChainEntry{"rotate", {{"angle", 0}}}}},
         30, 32, [](int x, int y) { return std::pair{y + 8, 29 - x}; }},
        // Margins wider than the picture must not break the graph (the picture would vanish).
        {"crop past the edges", One("crop", {{"left", 1000}, {"right", 1000}}), 2, 30, nullptr},
        {"grey", One("grey"), 40, 30, nullptr},
    };
    const auto in = RgbFrame(40, 30, 1234);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoProcessorChain chain;
        chain.SetChain(c.chain);
        EXPECT_EQ(chain.Active(), !c.chain.Empty());
        const auto out = Filter(chain, in.get());
        ASSERT_TRUE(out);
        EXPECT_NE(out.get(), in.get());
        EXPECT_EQ(chain.LastError(), "");
        EXPECT_EQ(out->pts, 1234);
        ASSERT_EQ(std::tuple(out->format, out->width, out->height), std::tuple(AV_PIX_FMT_RGB24, c.w, c.h));
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const uint8_t* p = Rgb(out.get(), x, y);
                if (c.from) {
                    const auto [fx, fy] = c.from(x, y);
                    ASSERT_EQ(0, memcmp(p, Rgb(in.get(), fx, fy), 3)) << x << "," << y;
                } else if (c.name == std::string("grey")) {
                    ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
                }
            }
    }
    EXPECT_EQ(VideoProcessorChain().Process(nullptr), nullptr);
}

// A new size or pixel format, or another chain, rebuilds; the same chain set again does not.
TEST(ProcessorVideo, RebuildsWhenTheInputFormatOrChainChanges) {
    VideoProcessorChain chain;
    const FramePtr a = RgbFrame(64, 48), b = RgbFrame(32, 24), c = YuvFrame(32, 24);
    const struct {
        const char* chain;
        const AVFrame* in;
        unsigned rebuilds;
    } steps[] = {{"mirror", a.get(), 1}, {"mirror", a.get(), 1}, {"mirror", b.get(), 2},
                 {"mirror", c.get(), 3}, {"flip", c.get(), 4},   {"flip", c.get(), 4}};
    for (const auto& s : steps) {
        chain.SetChain(One(s.chain));
        const FramePtr out = Filter(chain, s.in);
        ASSERT_TRUE(out) << s.chain << " " << s.rebuilds;
        // The output follows the source's size and format: a mirrored YUV row starts with its end.
        EXPECT_EQ(std::tuple(out->format, out->width, out->height), std::tuple(s.in->format, s.in->width, s.in->height));
        if (s.in == c.get() && s.chain == std::string("mirror")) {
            EXPECT_EQ(out->data[0][0], c->data[0][31]);
        }
        EXPECT_EQ(chain.Rebuilds(), s.rebuilds) << s.chain;
    }
}

// Threads of this process.
static size_t ThreadCount() {
    return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator()));
}

// Every filter builds and runs on the thread that feeds it, starting no threads of its own.
TEST(ProcessorChains, EveryCatalogueFilterBuildsOnCommonSourceFormats) {
    const size_t threads = ThreadCount();
    for (AVPixelFormat fmt : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_BGR0, AV_PIX_FMT_YUYV422}) {
        for (const auto& spec : VideoFilters()) {
            VideoProcessorChain chain;
            chain.SetChain(ChainDescription{{DefaultEntry(spec)}});
            FramePtr in = BlankPicture(fmt, 64, 48);
            ASSERT_TRUE(in);
            for (int i = 0; i < 3; ++i) {  // deinterlacers answer from the second frame on
                in->pts = i * 40000;
                FramePtr out(chain.Process(in.get()));
                ASSERT_TRUE(out || i == 0) << spec.Id;
                EXPECT_TRUE(!out || out->format == fmt) << spec.Id << " gives " << av_get_pix_fmt_name(AVPixelFormat(out->format));
                EXPECT_EQ(ThreadCount(), threads) << spec.Id;
            }
            EXPECT_EQ(chain.LastError(), "") << spec.Id << " on " << av_get_pix_fmt_name(fmt);
        }
    }
    for (const auto& spec : AudioFilters()) {
        AudioProcessorChain chain;
        chain.SetChain(ChainDescription{{DefaultEntry(spec)}});
        FramePtr(chain.Process(ToneFrame(AV_SAMPLE_FMT_S16, 48000, 2, 1024, 0).get()));
        EXPECT_EQ(chain.LastError(), "") << spec.Id;
    }
}

TEST(ProcessorVideo, DateTimeOverlayDrawsText) {
    VideoProcessorChain chain;
    chain.SetChain(One("datetime", {{"corner", 0}, {"size", 20}, {"box", 0}}));
    FramePtr in = BlankPicture(AV_PIX_FMT_RGB24, 320, 80);
    ASSERT_TRUE(in);
    for (int y = 0; y < 80; ++y) memset(in->data[0] + y * in->linesize[0], 0, 320 * 3);
    auto out = Filter(chain, in.get());
    ASSERT_TRUE(out);
    ASSERT_EQ(chain.LastError(), "");
    int lit = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 320; ++x) lit += Rgb(out.get(), x, y)[0] > 128;
    EXPECT_GT(lit, 50);  // digits drawn in white at the top left
}

TEST(ProcessorVideo, EditingWhileAnotherThreadProcesses) {
    VideoProcessorChain chain;
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread source([&] {
        auto in = RgbFrame(48, 32);
        for (int i = 0; i < 400 && !stop; ++i) {
            FramePtr out(chain.Process(in.get()));
            if (!out || (out->width != 48 && out->width != 32 && out->width != 40)) ++bad;
        }
    });
    const ChainDescription edits[] = {One("mirror"), One("rotate", {{"angle", 2}}), {}, One("crop", {{"left", 8}})};
    for (int i = 0; i < 200; ++i) chain.SetChain(edits[i % 4]);
    source.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(ProcessorChainText, RoundTripsAndRejectsMalformedText) {
    ChainDescription c{{ChainEntry{"crop", {{"left", 8}, {"top", 2}}}, ChainEntry{"mirror", {}}}};
    auto parsed = ParseChain(ToText(c), true);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, Sanitised(c, true));
    EXPECT_EQ(ParamValue(*FindFilter("crop", true), parsed->Entries[0], "left"), 8);
    for (const char* bad : {"crop:left", "crop:left=abc", "cr op"}) EXPECT_FALSE(ParseChain(bad, true)) << bad;
    // Unknown filters are dropped, values clamped and integers rounded.
    auto odd = ParseChain("sepia;crop:left=99999,top=3.6;volume:gain=2", true);
    ASSERT_TRUE(odd);
    ASSERT_EQ(odd->Entries.size(), 1u);
    EXPECT_EQ(odd->Entries[0].Values.at("left"), 4096);
    EXPECT_EQ(odd->Entries[0].Values.at("top"), 4);
    EXPECT_TRUE(ParseChain("", false)->Empty());
}

// Volume scales samples in the source's own format, clipping rather than wrapping past full
// scale; a new gain, sample format, rate or channel count rebuilds, the same input does not.
TEST(ProcessorAudio, VolumeScalesInTheSourceFormatAndRebuildsOnChanges) {
    const struct {
        double gain;
        AVSampleFormat fmt;
        int rate, channels;
        int16_t value;
        unsigned rebuilds;
        double first, second;  // the first channel's first two samples out
    } steps[] = {
        {2.5, AV_SAMPLE_FMT_S16, 48000, 2, 1000, 1, -2500, 2500},
        {2.5, AV_SAMPLE_FMT_S16, 48000, 2, 1000, 1, -2500, 2500},
        {8, AV_SAMPLE_FMT_S16, 48000, 2, 20000, 2, -32768, 32767},
        {8, AV_SAMPLE_FMT_FLTP, 48000, 2, 1000, 3, -8000, 8000},
        {8, AV_SAMPLE_FMT_FLTP, 44100, 2, 1000, 4, -8000, 8000},
        {8, AV_SAMPLE_FMT_FLTP, 44100, 1, 1000, 5, -8000, 8000},
        {0.5, AV_SAMPLE_FMT_FLTP, 44100, 1, 1000, 6, -500, 500},
    };
    AudioProcessorChain chain;
    for (const auto& s : steps) {
        chain.SetChain(One("volume", {{"gain", s.gain}}));
        const FramePtr in = ToneFrame(s.fmt, s.rate, s.channels, 441, 0, s.value);
        const FramePtr out(chain.Process(in.get()));
        ASSERT_TRUE(out) << s.rebuilds;
        EXPECT_EQ(chain.LastError(), "");
        EXPECT_EQ(std::tuple(out->format, out->sample_rate, out->ch_layout.nb_channels, out->nb_samples),
                  std::tuple(int(s.fmt), s.rate, s.channels, 441));
        EXPECT_EQ(chain.Rebuilds(), s.rebuilds);
        EXPECT_NEAR(Sample(out.get(), 0), s.first, 1e-3) << s.rebuilds;
        EXPECT_NEAR(Sample(out.get(), 1), s.second, 1e-3) << s.rebuilds;
    }
}

TEST(ProcessorAudio, LookAheadFiltersLoseNoSamplesAndKeepTime) {
    for (double method : {0.0, 1.0}) {  // dynaudnorm, then loudnorm (which runs at 192 kHz inside)
        AudioProcessorChain chain;
        chain.SetChain(One("normalise", {{"method", method}}));
        int64_t in = 0, out = 0, firstPts = -1;
        auto take = [&](AVFrame* f) {
            FramePtr p(f);
            if (!p) return false;
            if (firstPts < 0) firstPts = p->pts;
            EXPECT_EQ(p->sample_rate, 16000);
            out += p->nb_samples;
            return true;
        };
        for (int i = 0; i < 100; ++i) {
            auto f = ToneFrame(AV_SAMPLE_FMT_S16, 16000, 1, 800, in);
            in += 800;
            take(chain.Process(f.get()));
            while (take(chain.Receive())) {}
        }
        while (take(chain.Flush())) {}
        EXPECT_EQ(chain.LastError(), "");
        EXPECT_NEAR(double(out), double(in), 16000 * 0.01) << method;
        EXPECT_EQ(firstPts, 0) << method;
    }
}
