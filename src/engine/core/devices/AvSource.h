// One open device, read on its own thread, decoded to frames: an X screen by the engine's
// own grabber, a sound server input through libpulse, a Wayland screen through its portal,
// everything else through libavdevice.
#pragma once

#include "engine/core/devices/Devices.h"
#include "engine/core/MediaHub.h"
#include "engine/core/devices/SourceSettings.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct AVCodecContext;
struct AVFormatContext;
struct SwsContext;

namespace pelta::engine {

class ScreenDamage;
class SoundServerRecording;
class PortalScreenSource;
class X11ScreenGrab;

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

    // A device that delivers nothing for this long is taken as lost.
    static constexpr std::chrono::seconds kStallLimit{3};
    using Clock = std::chrono::steady_clock;
    // Reports the device lost (once) when it has delivered nothing for kStallLimit; called
    // from outside, as the reading thread may be stuck in the device.
    void CheckStall(Clock::time_point now);
    // Lost and not delivering again since. Sound server inputs come back by themselves
    // when the server does; other devices must be opened anew.
    bool Lost() const { return lost_.load(); }
    bool RevivesItself() const { return viaServer_; }
    // A lost sound server input asks the server again at once rather than at its next try.
    void ReviveNow() { reviveNow_ = true; }
    // Why it was last lost.
    std::string LostReason() const {
        std::lock_guard lock(lostMutex_);
        return lostWhy_;
    }
    // Whether anything came since opening, and when it last did (or when it was opened).
    bool HasDelivered() const { return delivered_.load(); }
    Clock::time_point LastDelivery() const { return Clock::time_point(Clock::duration(lastDelivery_.load())); }

    // The libavdevice input and URL the device is opened with (exposed for tests).
    static std::string InputUrl(const DeviceInfo& device, SizeItem size, const VideoSourceSettings& video = {},
                                const AudioSourceSettings& audio = {});
    // The frame rate a device is opened at with these settings.
    static int OpenRate(const DeviceInfo& device, const VideoSourceSettings& video);

private:
    bool OpenScreen(const VideoSourceSettings& videoSettings);
    void Run();
    void RunScreen();
    void RunRecording();
    void NoteDelivery();  // anything came: the device is alive
    void Deliver(AVFrame* frame);
    void DeliverSamples(const int16_t* samples, int frames);
    void MarkLost(const std::string& why);
    std::string StalledText() const;
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
    int sampleRate_ = 0;
    std::unique_ptr<SoundServerRecording> recording_;  // sound server inputs, instead of libavdevice
    bool viaServer_ = false;  // const after construction
    AVFrame* block_ = nullptr;
    std::atomic<bool> lost_{false};
    std::atomic<bool> delivered_{false};
    std::atomic<bool> reviveNow_{false};
    mutable std::mutex lostMutex_;
    std::string lostWhy_;
    std::atomic<Clock::rep> lastDelivery_{0};
    VideoFormat videoFormat_;
    AudioFormat audioFormat_;
    std::unique_ptr<X11ScreenGrab> grab_;  // an X screen read by the engine itself
    std::unique_ptr<ScreenDamage> damage_;  // screens only: marks still pictures
    std::unique_ptr<PortalScreenSource> portal_;  // a Wayland desktop's screen, read through its portal
    bool changedBefore_ = false;
    ChangedArea areaBefore_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace pelta::engine
