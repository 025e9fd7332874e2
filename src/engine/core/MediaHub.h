// The boundary between the devices (sources, preview) and the recorder (encoders, files).
// Sources deliver decoded frames on their own threads; listeners must return quickly and
// never block a source: anything slow is queued (bounded) or dropped and counted.
#pragma once

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <stop_token>
#include <string>

namespace pelta::engine {

// FFmpeg's words for one of its error codes.
inline std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct VideoFormat {
    int Width = 0;
    int Height = 0;
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    AVRational FrameRate{0, 1};  // the device's nominal rate
    AVRational TimeBase{1, 1000000};
};

struct AudioFormat {
    int SampleRate = 0;
    int Channels = 0;
    AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
};

class FrameListener {
public:
    virtual ~FrameListener() = default;
    // `frame->pts` is on the device's clock in `timeBase`. The frame is only borrowed:
    // keep it with av_frame_ref / av_frame_clone.
    virtual void OnVideoFrame(const AVFrame* frame, AVRational timeBase) = 0;
    // The same picture as the device delivered it, before the processors (the preview's
    // source tap). Called just before OnVideoFrame.
    virtual void OnSourceVideoFrame(const AVFrame* frame, AVRational timeBase) {
        (void)frame;
        (void)timeBase;
    }
    // Sound: frame->nb_samples samples in the AudioFormat reported by the hub;
    // pts counts samples (timeBase 1/sample rate).
    virtual void OnAudioFrame(const AVFrame* frame, AVRational timeBase) = 0;
    // The device stopped delivering (unplugged, server gone). `why` names the device.
    virtual void OnSourceLost(bool video, const std::string& why) = 0;
};

class MediaHub {
public:
    virtual ~MediaHub() = default;
    virtual void AddListener(FrameListener* listener) = 0;
    virtual void RemoveListener(FrameListener* listener) = 0;
    virtual bool HasVideo() const = 0;
    virtual bool HasAudio() const = 0;
    virtual VideoFormat CurrentVideoFormat() const = 0;  // of the frames delivered now
    virtual AudioFormat CurrentAudioFormat() const = 0;
    // A new reference to the newest picture (after the processors), or nullptr.
    virtual AVFrame* LatestVideoFrame() const = 0;
    // Whether the hub holds the newest picture for LatestVideoFrame (on by default). A
    // capture that takes every picture itself turns it off: the held picture keeps a device
    // buffer from going back to its pool, which then needs one more (8 MB at 1080p).
    virtual void KeepLatestVideoFrame(bool keep) { (void)keep; }
    // A capture asks for pictures at this rate (0: the device's own again). Devices that
    // take any rate (screens, the test pattern) are reopened at it; others ignore it. On the
    // capture's own thread, which waits first for a change of device still being opened
    // (returning early once `stop` is requested).
    virtual void PreferFrameRate(int fps, std::stop_token stop = {}) {
        (void)fps;
        (void)stop;
    }
    // Before a capture, on the capture's own thread: opens again a device that was lost and
    // waits until each device the capture needs delivers; throws EngineError saying which one
    // does not, and why. Returns early once `stop` is requested.
    virtual void EnsureDelivering(bool video, bool audio, std::stop_token stop = {}) {
        (void)video;
        (void)audio;
        (void)stop;
    }
};

// A source marks a picture that is identical to the one before it (a still screen), so
// that work depending only on the picture (preview conversion and painting) can be skipped.
inline constexpr char kUnchangedPictureTag = 0;
inline void MarkUnchanged(AVFrame* frame, bool unchanged) {
    frame->opaque = unchanged ? const_cast<char*>(&kUnchangedPictureTag) : nullptr;
}
inline bool IsUnchanged(const AVFrame* frame) { return frame->opaque == &kUnchangedPictureTag; }

// The part of a picture that differs from the one before, when the source knows it (a
// screen that changed only in places), kept in the frame's metadata.
struct ChangedArea {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
inline ChangedArea United(const ChangedArea& a, const ChangedArea& b) {
    const int x0 = std::min(a.X, b.X), y0 = std::min(a.Y, b.Y);
    const int x1 = std::max(a.X + a.Width, b.X + b.Width), y1 = std::max(a.Y + a.Height, b.Y + b.Height);
    return {x0, y0, x1 - x0, y1 - y0};
}
inline constexpr const char* kChangedAreaKey = "pelta.changed";
inline void SetChangedArea(AVFrame* frame, const ChangedArea& a) {
    char text[64];
    std::snprintf(text, sizeof text, "%d %d %d %d", a.X, a.Y, a.Width, a.Height);
    av_dict_set(&frame->metadata, kChangedAreaKey, text, 0);
}
inline bool GetChangedArea(const AVFrame* frame, ChangedArea& a) {
    const AVDictionaryEntry* e = av_dict_get(frame->metadata, kChangedAreaKey, nullptr, 0);
    return e && std::sscanf(e->value, "%d %d %d %d", &a.X, &a.Y, &a.Width, &a.Height) == 4;
}

// Events the core raises from any thread; the Qt control re-raises them on the UI thread.
enum class EngineEventKind { CaptureProgress, CaptureEnded, CaptureError };
using EngineEventPoster = std::function<void(EngineEventKind kind, int32_t value)>;

}  // namespace pelta::engine
