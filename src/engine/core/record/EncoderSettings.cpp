#include "engine/core/record/EncoderSettings.h"

#include "engine/core/MediaHub.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <initializer_list>

namespace pelta::engine::record {

namespace {

constexpr const char* kPresets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                    "medium",    "slow",      "slower",   "veryslow"};
constexpr int kPresetCount = static_cast<int>(std::size(kPresets));

// Bit rates (kbit/s) the encoders take. libavcodec has no list of them, so these are the
// encoders' own tables: AC-3 frame sizes at 32-48 kHz, MPEG-1 Layer II, LAME's CBR steps.
constexpr int kAc3Rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
constexpr int kMp2Rates[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr int kMp2LowRates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};  // 16-24 kHz
constexpr int kMp3Rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kMp3Mpeg2Rates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};  // 16-24 kHz
constexpr int kMp3Mpeg25Rates[] = {8, 16, 24, 32, 40, 48, 56, 64};                          // 8-12 kHz

bool IsQuantiserEncoder(const std::string& n) {
    return n == "mjpeg" || n == "mpeg4" || n == "msmpeg4" || n == "libxvid";
}

EncoderSetting Range(std::string key, std::string label, int min, int max, int def) {
    return EncoderSetting{std::move(key), std::move(label), SettingKind::Range, min, max, def, {}};
}

EncoderSetting KeyInterval() { return Range("keyint", "Key frame every (pictures)", 1, 300, 12); }

template <size_t N>
EncoderSetting BitRate(const int (&rates)[N]) {
    EncoderSetting s{"bitrate", "Bit rate", SettingKind::Choice, 0, 0, kAutomaticBitRate, {}};
    s.Choices.push_back({kAutomaticBitRate, "Automatic"});
    for (int r : rates) {
        s.Choices.push_back({r, std::to_string(r) + " kbit/s"});
    }
    s.Min = kAutomaticBitRate;
    s.Max = rates[N - 1];
    return s;
}

EncoderSetting Choice(std::string key, std::string label, int def, std::vector<SettingChoice> choices) {
    EncoderSetting s{std::move(key), std::move(label), SettingKind::Choice, 0, 0, def, std::move(choices)};
    s.Min = s.Max = s.Choices.empty() ? def : s.Choices.front().Value;
    for (const auto& c : s.Choices) {
        s.Min = std::min(s.Min, c.Value);
        s.Max = std::max(s.Max, c.Value);
    }
    return s;
}

int ClampOne(const EncoderSetting& s, int v) {
    if (s.Kind == SettingKind::Range) {
        return std::clamp(v, s.Min, s.Max);
    }
    if (s.Choices.empty()) {
        return s.Default;
    }
    int best = s.Choices.front().Value;
    for (const auto& c : s.Choices) {
        if (std::abs(static_cast<long long>(c.Value) - v) < std::abs(static_cast<long long>(best) - v)) {
            best = c.Value;
        }
    }
    return best;
}

template <size_t N>
int Nearest(const int (&table)[N], int v) {
    int best = table[0];
    for (int r : table) {
        if (std::abs(r - v) < std::abs(best - v)) {
            best = r;
        }
    }
    return best;
}

// The writer's rates before settings existed: per channel, so stereo gets twice mono.
int64_t AutomaticBitRate(const std::string& name, int channels) {
    if (name == "libmp3lame") {
        return 64000LL * channels;
    }
    return 96000LL * channels;  // ac3, mp2
}

std::string SetPrivate(AVCodecContext* ctx, const char* key, const std::string& value) {
    const int rc = av_opt_set(ctx->priv_data, key, value.c_str(), 0);
    if (rc < 0) {
        return std::string("the encoder ") + ctx->codec->name + " refuses " + key + " " + value + ": " + AvError(rc);
    }
    return {};
}

}  // namespace

std::vector<int> Mp3BitRates(int sampleRate) {
    if (sampleRate <= 0 || sampleRate >= 32000) return {std::begin(kMp3Rates), std::end(kMp3Rates)};
    if (sampleRate >= 16000) return {std::begin(kMp3Mpeg2Rates), std::end(kMp3Mpeg2Rates)};
    return {std::begin(kMp3Mpeg25Rates), std::end(kMp3Mpeg25Rates)};
}

int Mp3BitRateWritten(int choice, int sampleRate, int channels) {
    const int wanted = choice == kAutomaticBitRate ? int(AutomaticBitRate("libmp3lame", std::max(1, channels)) / 1000)
                                                   : choice;
    int best = 0;
    for (int r : Mp3BitRates(sampleRate)) {
        if (best == 0 || std::abs(r - wanted) < std::abs(best - wanted)) best = r;
    }
    return best;
}

std::vector<EncoderSetting> EncoderOptionsFor(const std::string& n) {
    if (n == "mjpeg") {
        // Every picture is a key frame, so the quantiser is all there is.
        return {Range("quality", "Quantiser (2 best, 31 smallest)", 2, 31, 5)};
    }
    if (IsQuantiserEncoder(n)) {
        return {Range("quality", "Quantiser (2 best, 31 smallest)", 2, 31, 5), KeyInterval()};
    }
    if (n == "libx264") {
        std::vector<SettingChoice> presets;
        for (int i = 0; i < kPresetCount; ++i) {
            presets.push_back({i, kPresets[i]});
        }
        return {Range("crf", "Rate factor (0 lossless, 51 smallest)", 0, 51, 23),
                Choice("preset", "Speed", 0, std::move(presets)), KeyInterval()};
    }
    if (n == "ffv1") {
        return {KeyInterval(),
                Choice("coder", "Coder", 0, {{0, "Golomb-Rice (faster)"}, {-2, "Range coder (smaller)"}})};
    }
    if (n == "huffyuv") {
        return {Choice("pred", "Prediction", 0, {{0, "Left"}, {1, "Plane"}, {2, "Median"}})};
    }
    if (n == "libmp3lame") {
        return {BitRate(kMp3Rates), Choice("vbr", "Mode", 0, {{0, "Constant bit rate"}, {1, "Variable bit rate"}}),
                Range("vbr_quality", "Variable-rate quality (0 best, 9 smallest)", 0, 9, 4)};
    }
    if (n == "ac3") {
        return {BitRate(kAc3Rates)};
    }
    if (n == "mp2") {
        return {BitRate(kMp2Rates)};
    }
    return {};
}

bool HasEncoderSettings(const std::string& encoderName) { return !EncoderOptionsFor(encoderName).empty(); }

int EncoderSettings::Get(const std::string& key, int fallback) const {
    auto it = Values.find(key);
    return it == Values.end() ? fallback : it->second;
}

EncoderSettings EncoderSettings::Clamped(const std::string& encoderName) const {
    EncoderSettings out;
    for (const EncoderSetting& s : EncoderOptionsFor(encoderName)) {
        out.Values[s.Key] = ClampOne(s, Get(s.Key, s.Default));
    }
    return out;
}

std::string EncoderSettings::Problem(const std::string& encoderName) const {
    const auto options = EncoderOptionsFor(encoderName);
    for (const auto& [key, value] : Values) {
        auto it = std::find_if(options.begin(), options.end(), [&](const EncoderSetting& s) { return s.Key == key; });
        if (it == options.end()) {
            return "the encoder " + encoderName + " has no setting " + key;
        }
        if (ClampOne(*it, value) != value) {
            if (it->Kind == SettingKind::Range) {
                return it->Label + " is " + std::to_string(it->Min) + " to " + std::to_string(it->Max) + ", not " +
                       std::to_string(value);
            }
            return it->Label + " cannot be " + std::to_string(value);
        }
    }
    return {};
}

EncoderSettings DefaultEncoderSettings(const std::string& encoderName) {
    return EncoderSettings{}.Clamped(encoderName);
}

std::string ApplyEncoderSettings(AVCodecContext* ctx, const EncoderSettings& settings) {
    if (ctx == nullptr || ctx->codec == nullptr) {
        return "there is no encoder to set";
    }
    const std::string n = ctx->codec->name;
    const EncoderSettings s = settings.Clamped(n);
    if (s.Has("keyint")) {
        ctx->gop_size = s.Get("keyint", 12);
    }
    if (IsQuantiserEncoder(n)) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * s.Get("quality", 5);
        return {};
    }
    if (n == "libx264") {
        const int preset = std::clamp(s.Get("preset", 0), 0, kPresetCount - 1);
        std::string err = SetPrivate(ctx, "preset", kPresets[preset]);
        if (err.empty()) {
            err = SetPrivate(ctx, "crf", std::to_string(s.Get("crf", 23)));
        }
        // ultrafast and superfast look at no picture ahead: a lookahead thread of their own
        // would only hold two more pictures (about 6 MB at 1080p), the file the same bit for bit.
        if (err.empty() && preset <= 1) {
            err = SetPrivate(ctx, "x264-params", "sync-lookahead=0");
        }
        return err;
    }
    if (n == "ffv1") {
        return SetPrivate(ctx, "coder", std::to_string(s.Get("coder", 0)));
    }
    if (n == "huffyuv") {
        return SetPrivate(ctx, "pred", std::to_string(s.Get("pred", 0)));
    }
    if (n == "libmp3lame" || n == "ac3" || n == "mp2") {
        const int channels = std::max(1, ctx->ch_layout.nb_channels);
        int kbps = s.Get("bitrate", kAutomaticBitRate);
        if (n == "mp2" && ctx->sample_rate > 0 && ctx->sample_rate < 32000) {
            // MPEG-2 low sampling rates have their own, lower table.
            kbps = Nearest(kMp2LowRates, kbps == kAutomaticBitRate ? 64 * channels : kbps);
        }
        ctx->bit_rate = kbps == kAutomaticBitRate ? AutomaticBitRate(n, channels) : kbps * 1000LL;
        if (n == "libmp3lame") {
            // LAME writes the nearest rate its MPEG version has; the file's header says the same.
            ctx->bit_rate = Mp3BitRateWritten(kbps, ctx->sample_rate, channels) * 1000LL;
        }
        if (n == "libmp3lame" && s.Get("vbr", 0) == 1) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = FF_QP2LAMBDA * s.Get("vbr_quality", 4);
        }
    }
    return {};
}

AVPixelFormat EncoderPixelFormat(const AVCodec* codec, AVPixelFormat in) {
    const std::string name = codec->name;
    if (name == "rawvideo") {
        return AV_PIX_FMT_BGR24;  // an uncompressed DIB
    }
    if (name == "mjpeg") {
        return AV_PIX_FMT_YUVJ420P;  // what players expect of Motion JPEG
    }
    if (codec->pix_fmts == nullptr) {
        return AV_PIX_FMT_YUV420P;
    }
    if (name == "libx264" || name == "libxvid" || name == "mpeg4" || name == "msmpeg4") {
        return AV_PIX_FMT_YUV420P;  // 4:2:0 is the profile every decoder takes
    }
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, in, 0, nullptr);
}

}  // namespace pelta::engine::record
