// The settings each compressor offers (quantiser, rate factor, key-frame interval, bit
// rate...), a value set for them that is always clamped before it reaches an encoder, and
// the code that puts the values into an encoder context. No Qt.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <map>
#include <string>
#include <vector>

struct AVCodec;
struct AVCodecContext;

namespace pelta::engine::record {

enum class SettingKind {
    Range,   // any integer from Min to Max
    Choice,  // one of Choices (by Value)
};

struct SettingChoice {
    int Value = 0;
    std::string Label;
};

struct EncoderSetting {
    std::string Key;    // "quality", "keyint", "crf", "preset", "bitrate", ...
    std::string Label;  // what the dialog shows
    SettingKind Kind = SettingKind::Range;
    int Min = 0;
    int Max = 0;
    int Default = 0;
    std::vector<SettingChoice> Choices;  // Choice only, in the order shown
};

// What `encoderName` (a libavcodec encoder name) lets the user set; empty for encoders
// with nothing to set (PCM, ADPCM, unknown names).
std::vector<EncoderSetting> EncoderOptionsFor(const std::string& encoderName);
bool HasEncoderSettings(const std::string& encoderName);

// The MP3 bit rates (kbit/s) LAME can write at `sampleRate` (0: not known, the MPEG-1 rates):
// MPEG-1 from 32 kHz, MPEG-2 from 16 kHz, MPEG-2.5 below. The channel count narrows none of
// them. Any other rate asked of it is quietly written as the nearest of these.
std::vector<int> Mp3BitRates(int sampleRate);
// The rate LAME writes for a choice (kAutomaticBitRate included) at that sample rate.
int Mp3BitRateWritten(int choice, int sampleRate, int channels);

// Bit-rate choices are in kbit/s; 0 means "automatic": the rate the writer always used,
// which depends on the channel count.
inline constexpr int kAutomaticBitRate = 0;

struct EncoderSettings {
    std::map<std::string, int> Values;

    bool Has(const std::string& key) const { return Values.count(key) != 0; }
    int Get(const std::string& key, int fallback) const;
    void Set(const std::string& key, int value) { Values[key] = value; }

    // Every setting of the encoder present, each in its range or one of its choices
    // (a value between choices goes to the nearest one), keys the encoder lacks dropped.
    EncoderSettings Clamped(const std::string& encoderName) const;
    // Empty when every value is acceptable as it is, else what is wrong with the first bad one.
    std::string Problem(const std::string& encoderName) const;

    bool operator==(const EncoderSettings&) const = default;
};

// The encoder's settings at their defaults: what the writer used before settings existed.
EncoderSettings DefaultEncoderSettings(const std::string& encoderName);

// Puts the (clamped) settings into `ctx`, an allocated but not yet opened encoder context
// whose channel layout and sample rate (sound) are already set. Returns empty on success,
// else why the encoder refused a value.
std::string ApplyEncoderSettings(AVCodecContext* ctx, const EncoderSettings& settings);

// The pixel format the engine feeds `codec` for pictures arriving as `in`.
AVPixelFormat EncoderPixelFormat(const AVCodec* codec, AVPixelFormat in);

}  // namespace pelta::engine::record
