// One open device, read on its own thread through libavdevice, decoded to frames.
#pragma once

#include "engine/core/Devices.h"
#include "engine/core/MediaHub.h"
#include "engine/core/SourceSettings.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

struct AVCodecContext;
struct AVFormatContext;
struct SwsContext;

namespace pelta::engine {

class ScreenDamage;
class PortalScreenSource;

struct SourceCallbacks {
    std::function<void(const AVFrame*, AVRational)> Frame;
    std::function<void(const std::string& why)> Lost;
};

class AvSource {
public:
    // Opens the device now (throws EngineError naming it and the reason), then reads it on
    // its own thread until destroyed. Video is delivered at `size` (scaled when the device
    // gives another size). The settings say how the device is asked to deliver.
    AvSource(const DeviceInfo& device, SizeItem size, bool video, SourceCallbacks callbacks,
             const VideoSourceSettings& videoSettings = {}, const AudioSourceSettings& audioSettings = {});
    ~AvSource();
    AvSource(const AvSource&) = delete;
    AvSource& operator=(const AvSource&) = delete;

    VideoFormat Video() const { return videoFormat_; }
    AudioFormat Audio() const { return audioFormat_; }
    const DeviceInfo& Device() const { return device_; }

    // The libavdevice input and URL the device is opened with (exposed for tests).
    static std::string InputUrl(const DeviceInfo& device, SizeItem size, const VideoSourceSettings& video = {},
                                const AudioSourceSettings& audio = {});
    // The frame rate a device is opened at with these settings.
    static int OpenRate(const DeviceInfo& device, const VideoSourceSettings& video);

private:
    void Run();
    void Deliver(AVFrame* frame);
    static int Interrupt(void* self);

    DeviceInfo device_;
    SizeItem size_;
    bool video_;
    SourceCallbacks callbacks_;
    AVFormatContext* input_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    SwsContext* scaler_ = nullptr;
    AVFrame* scaled_ = nullptr;
    int streamIndex_ = -1;
    int64_t samplesSoFar_ = 0;
    VideoFormat videoFormat_;
    AudioFormat audioFormat_;
    std::unique_ptr<ScreenDamage> damage_;  // screens only: marks still pictures
    std::unique_ptr<PortalScreenSource> portal_;  // a Wayland desktop's screen, read through its portal
    bool changedBefore_ = false;
    ChangedArea areaBefore_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace pelta::engine
