// The boundary between the devices (sources, preview) and the recorder (encoders, files).
// Sources deliver decoded frames on their own threads; listeners must return quickly and
// never block a source: anything slow is queued (bounded) or dropped and counted.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

#include <cstdint>
#include <functional>
#include <string>

namespace pelta::engine {

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
};

// Events the core raises from any thread; the Qt control re-raises them on the UI thread.
enum class EngineEventKind { CaptureProgress, CaptureEnded, CaptureError };
using EngineEventPoster = std::function<void(EngineEventKind kind, int32_t value)>;

}  // namespace pelta::engine
