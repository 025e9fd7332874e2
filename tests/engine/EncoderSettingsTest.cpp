// Encoder settings: clamping, what they do to real encoders and files, the compressor
// preview tap on synthetic pictures, the session's per-encoder settings and the dialog.
#include "Frames.h"
#include "RecordTestHub.h"
#include "support/Pump.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/CompressorTap.h"
#include "engine/core/record/Compressors.h"
#include "engine/core/record/EncoderSettings.h"
#include "engine/dialogs/CompressorDialog.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <tuple>

using namespace pelta;
using namespace pelta::engine;
using namespace pelta::engine::record;
namespace fs = std::filesystem;

namespace {

using pelta::test::FramePtr;
using ContextPtr = std::unique_ptr<AVCodecContext, decltype([](AVCodecContext* c) { avcodec_free_context(&c); })>;
using PacketPtr = std::unique_ptr<AVPacket, decltype([](AVPacket* p) { av_packet_free(&p); })>;

// A BGR0 (or YUV420P) picture with smooth gradients, fine texture and a square that moves with `t`.
FramePtr Picture(int w, int h, int t = 0, AVPixelFormat fmt = AV_PIX_FMT_BGR0) {
    FramePtr f = pelta::test::BlankPicture(fmt, w, h);
    f->pts = 1000 + t;
    auto texel = [&](int x, int y, int c) {
        if (x >= 8 + 4 * t && x < 40 + 4 * t && y >= 16 && y < 48) return 230 - 60 * c;  // the square
        return int(128 + 60 * std::sin((x + 2 * c) * 0.11) + 40 * std::cos(y * 0.07) + ((x * 7 + y * 13) % 9) * 3);
    };
    const bool bgr = fmt == AV_PIX_FMT_BGR0;
    for (int p = 0; p < (bgr ? 1 : 3); ++p)
        for (int y = 0; y < (p ? (h + 1) / 2 : h); ++y)
            for (int x = 0; x < (p ? (w + 1) / 2 : w); ++x) {
                uint8_t* row = f->data[p] + y * f->linesize[p];
                if (!bgr) row[x] = uint8_t(std::clamp(texel(x, y, p), 16, 235));
                for (int c = 0; bgr && c < 4; ++c) row[4 * x + c] = uint8_t(c == 3 ? 0 : texel(x, y, c));
            }
    return f;
}

// Mean absolute difference of the colour bytes of two BGR0 pictures of one size.
double MeanDifference(const AVFrame* a, const AVFrame* b) {
    double sum = 0;
    for (int y = 0; y < a->height; ++y)
        for (int x = 0; x < a->width; ++x)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(int(a->data[0][y * a->linesize[0] + 4 * x + c]) - int(b->data[0][y * b->linesize[0] + 4 * x + c]));
    return sum / (3.0 * a->width * a->height);
}

EncoderSettings With(std::initializer_list<std::pair<const std::string, int>> values) { return EncoderSettings{values}; }

// A context of `encoder` (sound at `rate` Hz with `channels`) with `settings` applied, which
// must succeed; empty when this libavcodec lacks the encoder.
ContextPtr Applied(const char* encoder, const EncoderSettings& settings, int rate = 48000, int channels = 2) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (!codec) return nullptr;
    ContextPtr c(avcodec_alloc_context3(codec));
    if (codec->type == AVMEDIA_TYPE_AUDIO) {
        c->sample_rate = rate;
        c->sample_fmt = codec->sample_fmts[0];
        av_channel_layout_default(&c->ch_layout, channels);
        c->time_base = AVRational{1, rate};
    }
    EXPECT_EQ(ApplyEncoderSettings(c.get(), settings), "") << encoder;
    return c;
}

// A private option of the context's encoder as libavutil prints it.
std::string Private(const ContextPtr& c, const char* key) {
    uint8_t* v = nullptr;
    if (!c || av_opt_get(c->priv_data, key, 0, &v) < 0) return "<none>";
    std::string text(reinterpret_cast<char*>(v));
    av_free(v);
    return text;
}

// The bit rate LAME really wrote, read from the size of the frames it made of a second of silence.
int64_t Mp3RateWritten(AVCodecContext* c) {
    if (avcodec_open2(c, c->codec, nullptr) != 0) return -1;
    FramePtr f(av_frame_alloc());
    f->format = c->sample_fmt;
    f->nb_samples = c->frame_size;
    av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
    if (av_frame_get_buffer(f.get(), 0) != 0) return -1;
    PacketPtr pkt(av_packet_alloc());
    int64_t bytes = 0, frames = 0;
    for (int i = 0; i * c->frame_size < c->sample_rate; ++i) {
        av_samples_set_silence(f->extended_data, 0, f->nb_samples, c->ch_layout.nb_channels, c->sample_fmt);
        f->pts = int64_t(i) * c->frame_size;
        if (avcodec_send_frame(c, f.get()) != 0) return -1;
        for (; avcodec_receive_packet(c, pkt.get()) == 0; ++frames, av_packet_unref(pkt.get())) bytes += pkt->size;
    }
    // Frame bytes = samples per frame / 8 x rate / sample rate (padding averaged out).
    return frames == 0 ? -1 : std::llround(double(bytes) / frames * 8 * c->sample_rate / c->frame_size / 1000) * 1000;
}

// Writes six pictures into a Motion JPEG AVI; returns the video bytes written.
int64_t WriteMjpeg(const std::string& path, const EncoderSettings& settings, int fallbackQuality) {
    WriterSetup s;
    s.Path = path;
    s.Video = true;
    s.VideoIn = VideoFormat{160, 120, AV_PIX_FMT_BGR0, AVRational{30, 1}, AVRational{1, 30}};
    s.VideoEncoder = "mjpeg";
    s.VideoSettings = settings;
    s.VideoQuality = fallbackQuality;
    CaptureWriter w;
    CaptureErrorCode code{};
    EXPECT_EQ(w.Open(s, code), "");
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(w.WriteVideo(Picture(160, 120, i).get(), i));
    EXPECT_TRUE(w.Finish());
    return w.VideoBytes();
}

}  // namespace

TEST(EncoderSettingsValues, ClampingDefaultsAndProblems) {
    const struct { const char* encoder; const char* key; int given, kept; } cases[] = {
        {"mjpeg", "quality", 1, 2},         {"mpeg4", "quality", 99, 31}, {"libxvid", "keyint", 0, 1},
        {"libx264", "crf", -4, 0},          {"libx264", "preset", 42, 8},  // veryslow, the last
        {"libx264", "keyint", 100000, 300}, {"libmp3lame", "bitrate", 100, 96},
        {"mp2", "bitrate", 100, 96},        {"mp2", "bitrate", 400, 384}, {"ac3", "bitrate", 5000, 640},
        {"ffv1", "coder", -1, 0},  // between -2 and 0: the nearer wins
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.encoder) + " " + c.key + " " + std::to_string(c.given));
        EXPECT_EQ(With({{c.key, c.given}}).Clamped(c.encoder).Get(c.key, -99), c.kept);
        EXPECT_NE(With({{c.key, c.given}}).Problem(c.encoder), "");
        EXPECT_EQ(With({{c.key, c.kept}}).Problem(c.encoder), "");
    }
    // Keys the encoder lacks go (and are a problem), missing ones come back at their defaults.
    const auto mjpeg = With({{"crf", 10}}).Clamped("mjpeg");
    EXPECT_FALSE(mjpeg.Has("crf"));
    EXPECT_EQ(mjpeg.Get("quality", 0), 5);
    EXPECT_NE(With({{"preset", 0}}).Problem("mjpeg"), "");
    EXPECT_TRUE(With({{"bitrate", 128}}).Clamped("pcm_s16le").Values.empty());
    // The defaults are what the writer used before settings existed.
    for (const auto& c : AvailableVideoCompressors()) EXPECT_EQ(DefaultEncoderSettings(c.EncoderName).Problem(c.EncoderName), "");
    EXPECT_EQ(DefaultEncoderSettings("libx264").Values, With({{"preset", 0}, {"crf", 23}, {"keyint", 12}}).Values);
    EXPECT_EQ(DefaultEncoderSettings("libmp3lame").Get("bitrate", -1), kAutomaticBitRate);
    for (const char* some : {"mjpeg", "ac3"}) EXPECT_TRUE(HasEncoderSettings(some)) << some;
    for (const char* none : {"pcm_s16le", "pcm_alaw", "pcm_mulaw", "adpcm_ima_wav", "adpcm_ms", "nonsense"})
        EXPECT_FALSE(HasEncoderSettings(none)) << none;
}

TEST(EncoderSettingsApply, ValuesReachTheContextClamped) {
    ContextPtr mjpeg = Applied("mjpeg", With({{"quality", 77}}));
    EXPECT_TRUE(mjpeg->flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_EQ(mjpeg->global_quality, 31 * FF_QP2LAMBDA);
    EXPECT_EQ(Private(Applied("ffv1", With({{"coder", -2}})), "coder"), "-2");
    EXPECT_EQ(Private(Applied("huffyuv", With({{"pred", 2}})), "pred"), "2");
    // LAME's variable rate runs on the quality; the constant rate leaves it alone.
    ContextPtr vbr = Applied("libmp3lame", With({{"vbr", 1}, {"vbr_quality", 2}}));
    EXPECT_TRUE(vbr->flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_EQ(vbr->global_quality, 2 * FF_QP2LAMBDA);
    EXPECT_FALSE(Applied("libmp3lame", With({{"vbr", 0}, {"vbr_quality", 2}}))->flags & AV_CODEC_FLAG_QSCALE);

    ContextPtr x = Applied("libx264", With({{"preset", 8}, {"crf", 30}, {"keyint", 50}}));
    if (!x) GTEST_SKIP() << "no libx264";
    EXPECT_EQ(std::tuple(Private(x, "preset"), Private(x, "crf"), x->gop_size), std::tuple("veryslow", "30.000000", 50));
}

// The fastest presets decide nothing ahead: x264's lookahead thread would only hold more
// pictures back (about 6 MB at 1080p) without changing a bit of the file. With two frame
// threads a picture then leaves after at most three went in; the thread took four.
TEST(EncoderSettingsApply, FastX264HoldsNoPicturesForALookahead) {
    for (int preset : {0, 1}) {
        ContextPtr x = Applied("libx264", With({{"preset", preset}}));
        if (!x) GTEST_SKIP() << "no libx264";
        std::tie(x->width, x->height, x->pix_fmt, x->time_base) = std::tuple(320, 240, AV_PIX_FMT_YUV420P, AVRational{1, 30});
        x->thread_count = 2;
        x->max_b_frames = 0;
        ASSERT_EQ(avcodec_open2(x.get(), x->codec, nullptr), 0);
        FramePtr f = test::BlankPicture(AV_PIX_FMT_YUV420P, 320, 240);
        PacketPtr packet(av_packet_alloc());
        int sent = 0;
        do {
            ASSERT_EQ(av_frame_make_writable(f.get()), 0);
            for (int y = 0; y < 240; ++y) std::fill_n(f->data[0] + y * f->linesize[0], 320, uint8_t(y + sent * 9));
            f->pts = sent++;
            ASSERT_EQ(avcodec_send_frame(x.get(), f.get()), 0);
        } while (avcodec_receive_packet(x.get(), packet.get()) != 0 && sent < 10);
        EXPECT_LE(sent, 3) << "preset " << preset;
    }
}

TEST(EncoderSettingsApply, EveryOfferedBitRateOpensItsEncoder) {
    for (const char* name : {"libmp3lame", "mp2", "ac3"})
        for (const EncoderSetting& s : EncoderOptionsFor(name))
            for (const SettingChoice& choice : s.Key == "bitrate" ? s.Choices : std::vector<SettingChoice>{})
                for (int channels : {1, 2}) {
                    ContextPtr c = Applied(name, With({{"bitrate", choice.Value}}), 48000, channels);
                    ASSERT_TRUE(c) << name;
                    const int64_t want = choice.Value == kAutomaticBitRate
                                             ? (std::string(name) == "libmp3lame" ? 64000 : 96000) * channels
                                             : choice.Value * 1000LL;
                    EXPECT_EQ(c->bit_rate, want) << name << " " << choice.Label;
                    EXPECT_EQ(avcodec_open2(c.get(), c->codec, nullptr), 0) << name << " " << choice.Label << " " << channels;
                }
    // MP2 at a low sampling rate has its own table: a high rate is brought down to one it takes.
    ContextPtr low = Applied("mp2", With({{"bitrate", 320}}), 22050, 2);
    EXPECT_EQ(low->bit_rate, 160000);
    EXPECT_EQ(avcodec_open2(low.get(), low->codec, nullptr), 0);
}

TEST(EncoderSettingsApply, Mp3RatesAreWhatLameWritesAtEachSampleRate) {
    for (int rate : {8000, 11025, 22050, 24000, 32000, 44100})
        for (int channels : {1, 2})
            for (int kbps : {kAutomaticBitRate, 8, 64, 160, 256, 320}) {
                const std::vector<int> offered = Mp3BitRates(rate);
                ContextPtr c = Applied("libmp3lame", With({{"bitrate", kbps}}), rate, channels);
                ASSERT_TRUE(c);
                SCOPED_TRACE(std::to_string(rate) + " Hz " + std::to_string(channels) + " ch " + std::to_string(kbps) + " kbit/s");
                // What the file's header will claim is a rate of the table, and what LAME writes.
                EXPECT_NE(std::find(offered.begin(), offered.end(), int(c->bit_rate / 1000)), offered.end());
                EXPECT_EQ(Mp3RateWritten(c.get()), c->bit_rate);
            }
    const std::pair<int, int> tops[] = {{11025, 64}, {16000, 160}, {24000, 160}, {32000, 320}, {48000, 320}};
    for (auto [rate, top] : tops) EXPECT_EQ(Mp3BitRates(rate).back(), top) << rate;
}

TEST(EncoderSettingsFiles, MjpegQuantiserDecidesTheFileSize) {
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(name).toStdString(); };
    const int64_t best = WriteMjpeg(path("q2.avi"), With({{"quality", 2}}), 5);
    const int64_t worst = WriteMjpeg(path("q31.avi"), With({{"quality", 31}}), 5);
    EXPECT_GT(best, 3 * worst);
    EXPECT_LT(fs::file_size(path("q31.avi")), fs::file_size(path("q2.avi")) / 2);
    // Without a "quality" value the writer's VideoQuality is the quantiser.
    EXPECT_EQ(WriteMjpeg(path("fallback.avi"), {}, 31), worst);
}

TEST(CompressorTapTest, MjpegAtTheCoarsestQuantiserDiffersClearlyAndAtTheFinestHardly) {
    CompressorTap tap;
    auto in = Picture(160, 120);
    FramePtr fine(tap.Process(in.get(), "mjpeg", With({{"quality", 2}})));
    ASSERT_TRUE(fine) << tap.LastError();
    const int64_t fineBytes = tap.LastPacketBytes();
    FramePtr coarse(tap.Process(in.get(), "mjpeg", With({{"quality", 31}})));
    ASSERT_TRUE(coarse) << tap.LastError();
    EXPECT_TRUE(tap.Reopened());
    EXPECT_EQ(std::tuple(coarse->format, coarse->width, coarse->height, coarse->pts),
              std::tuple(int(AV_PIX_FMT_BGR0), 160, 120, in->pts));
    const double fineDiff = MeanDifference(in.get(), fine.get());
    const double coarseDiff = MeanDifference(in.get(), coarse.get());
    EXPECT_LT(fineDiff, 3.0);
    EXPECT_GT(coarseDiff, std::max(4.0, 2.5 * fineDiff));
    EXPECT_LT(tap.LastPacketBytes() * 3, fineBytes);
}

TEST(CompressorTapTest, X264ReturnsEachPictureAtOnceAndReopensOnlyOnChange) {
    if (!avcodec_find_encoder_by_name("libx264")) GTEST_SKIP() << "no libx264";
    CompressorTap tap;
    for (int i = 0; i < 12; ++i) {
        auto in = Picture(128, 96, i);
        FramePtr out(tap.Process(in.get(), "libx264", DefaultEncoderSettings("libx264")));
        ASSERT_TRUE(out) << "picture " << i << ": " << tap.LastError();
        EXPECT_EQ(tap.Reopened(), i == 0);
        // The moving square shows where this very picture has it, not an earlier one.
        if (i > 0) { EXPECT_LT(MeanDifference(in.get(), out.get()), MeanDifference(Picture(128, 96, i - 1).get(), out.get())) << i; }
    }
    EXPECT_TRUE(FramePtr(tap.Process(Picture(128, 96).get(), "libx264", With({{"crf", 40}}))));
    EXPECT_TRUE(tap.Reopened());
}

TEST(CompressorTapTest, EveryVideoCompressorRunsOnOddSizesAndInputFormats) {
    for (const auto& c : AvailableVideoCompressors()) {
        CompressorTap tap;
        for (AVPixelFormat fmt : {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV420P})
            for (int i = 0; i < 3; ++i) {
                FramePtr out(tap.Process(Picture(101, 75, i, fmt).get(), c.EncoderName, DefaultEncoderSettings(c.EncoderName)));
                ASSERT_TRUE(out) << c.EncoderName << ": " << tap.LastError();
                EXPECT_EQ(std::tuple(out->format, out->width, out->height), std::tuple(int(fmt), 101, 75)) << c.EncoderName;
                EXPECT_GT(tap.LastPacketBytes(), 0) << c.EncoderName;
            }
    }
}

TEST(CompressorTapTest, LosslessCoderGivesThePictureBackAndABadEncoderSaysWhy) {
    CompressorTap tap;
    auto in = Picture(64, 48, 0, AV_PIX_FMT_YUV420P);
    for (int coder : {0, -2}) {
        FramePtr out(tap.Process(in.get(), "ffv1", With({{"coder", coder}})));
        ASSERT_TRUE(out) << tap.LastError();
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? 24 : 48); ++y)
                ASSERT_EQ(0, memcmp(in->data[p] + y * in->linesize[p], out->data[p] + y * out->linesize[p], p ? 32 : 64))
                    << "coder " << coder << " plane " << p << " row " << y;
    }
    for (const char* bad : {"no-such-encoder", "mp2"}) {  // mp2: a sound encoder
        EXPECT_EQ(tap.Process(in.get(), bad, {}), nullptr) << bad;
        EXPECT_NE(tap.LastError(), "") << bad;
    }
    EXPECT_TRUE(FramePtr(tap.Process(in.get(), "mjpeg", {})));
    EXPECT_EQ(tap.LastError(), "");
}

TEST(EncoderSettingsSession, SessionKeepsClampedSettingsPerEncoderAndUsesThemInTheFile) {
    pelta::test::RecordTestHub hub(160, 120, 30, 44100);
    CaptureSession s(hub, nullptr);
    CaptureQueueSettings q = s.QueueSettings();
    q.VideoQuality = 9;
    s.SetQueueSettings(q);
    EXPECT_EQ(s.EncoderSettingsFor("mjpeg").Get("quality", 0), 9);  // nothing stored: the queue's quantiser
    EXPECT_EQ(s.EncoderSettingsFor("libx264"), DefaultEncoderSettings("libx264"));
    s.SetEncoderSettings("mjpeg", With({{"quality", 50}}));
    EXPECT_EQ(s.EncoderSettingsFor("mjpeg").Get("quality", 0), 31);
    EXPECT_EQ(s.EncoderSettingsFor("mpeg4").Get("quality", 0), 9);  // other encoders keep theirs

    QTemporaryDir dir;
    hub.Start();
    s.SetOutputFormat(6);
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(1);
    auto record = [&](const char* file, int kbps) {
        s.SetEncoderSettings("libmp3lame", With({{"bitrate", kbps}}));
        s.SetCaptureFileName(dir.filePath(file).toStdString());
        s.BeginCapture(3);
        EXPECT_TRUE(test::WaitUntil([&] { return !s.Capturing(); }, 30000));
        s.EndCaptureAndWait();
        return fs::file_size(dir.filePath(file).toStdString());
    };
    const auto small = record("32.mp3", 32);
    EXPECT_GT(record("320.mp3", 320), 6 * small);
    hub.Stop();
}

TEST(CompressorDialogTest, Mp3OffersOnlyTheRatesOfTheSoundAndGraysWhatTheModeIgnores) {
    CompressorDialog d(false, "libmp3lame", With({{"bitrate", 256}}), {}, nullptr, 22050, 1);
    auto* rates = d.findChild<QComboBox*>("bitrate");
    auto* mode = d.findChild<QComboBox*>("vbr");
    auto* quality = d.findChild<QSpinBox*>("vbr_quality");
    ASSERT_TRUE(rates && mode && quality);
    EXPECT_EQ(rates->itemText(0), "Automatic (64 kbit/s)");
    EXPECT_EQ(rates->itemText(rates->count() - 1), "160 kbit/s");
    EXPECT_EQ(rates->findText("256 kbit/s"), -1);
    EXPECT_EQ(rates->currentText(), "160 kbit/s");  // the stored 256 is written as 160
    EXPECT_EQ(std::pair(rates->isEnabled(), quality->isEnabled()), std::pair(true, false));
    mode->setCurrentIndex(mode->findData(1));
    EXPECT_EQ(std::pair(rates->isEnabled(), quality->isEnabled()), std::pair(false, true));
}

TEST(CompressorDialogTest, ChangesApplyAtOnceClampedAndCancelRestores) {
    std::vector<EncoderSettings> applied;
    CompressorDialog d(true, "mjpeg", With({{"quality", 5}}), [&](const EncoderSettings& s) { applied.push_back(s); });
    EXPECT_EQ(d.objectName(), "CompressorDialog");
    EXPECT_EQ(d.windowTitle(), "Video Compressor");
    EXPECT_EQ(d.lblEncoder->text(), "Motion JPEG");
    auto* spin = d.findChild<QSpinBox*>("quality");
    auto* slider = d.findChild<QSlider*>("qualitySlider");
    ASSERT_TRUE(spin && slider);
    EXPECT_EQ(spin->value(), 5);
    spin->setValue(20);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied.back().Get("quality", 0), 20);
    EXPECT_EQ(slider->value(), 20);
    d.SetValue("quality", 99);
    EXPECT_EQ(applied.back().Get("quality", 0), 31);
    EXPECT_EQ(spin->value(), 31);
    d.reject();
    EXPECT_EQ(applied.back().Get("quality", 0), 5);
    EXPECT_EQ(spin->value(), 5);
}

TEST(CompressorDialogTest, ChoicesAndEncodersWithoutSettings) {
    if (!avcodec_find_encoder_by_name("libx264")) GTEST_SKIP() << "no libx264";
    std::vector<EncoderSettings> applied;
    CompressorDialog d(true, "libx264", DefaultEncoderSettings("libx264"), [&](const EncoderSettings& s) { applied.push_back(s); });
    auto* preset = d.findChild<QComboBox*>("preset");
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->currentText(), "ultrafast");
    preset->setCurrentIndex(preset->findText("medium"));
    d.accept();
    ASSERT_EQ(applied.size(), 1u);  // OK keeps what was applied
    EXPECT_EQ(applied[0], With({{"preset", 5}, {"crf", 23}, {"keyint", 12}}));

    CompressorDialog pcm(false, "pcm_s16le", {}, [&](const EncoderSettings& s) { applied.push_back(s); });
    EXPECT_EQ(pcm.windowTitle(), "Audio Compressor");
    EXPECT_TRUE(pcm.findChildren<QSpinBox*>().isEmpty());
    EXPECT_TRUE(pcm.findChildren<QComboBox*>().isEmpty());
    pcm.reject();
    EXPECT_EQ(applied.size(), 1u);
}
