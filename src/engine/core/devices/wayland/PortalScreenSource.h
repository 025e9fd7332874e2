// The screen of a Wayland desktop as an engine device: the desktop portal grants a PipeWire
// stream, whose pictures come only when the screen changes; this source hands the newest
// picture to the hub at a constant rate, like the X11 screens do, so that a still screen
// records as repeated pictures and not as gaps.
#pragma once

#include "engine/core/devices/AvSource.h"
#include "engine/core/devices/wayland/PortalScreenCast.h"
#include "engine/core/devices/wayland/ScreenCastShare.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct SwsContext;

namespace pelta::engine {

// The input name of the portal's screen in DeviceInfo::InputFormat.
inline constexpr const char* kPortalInput = "pipewire";
inline constexpr const char* kPortalScreenName = "Screen (desktop portal)";

// In a Wayland session whose portal offers ScreenCast: the one portal screen (the desktop
// asks which screen or window when it is opened). Otherwise nothing.
std::vector<DeviceInfo> PortalScreens();

// True when the last PortalScreens() ran in a Wayland session and found no screen-cast
// portal (no portal on the session bus, or one without the ScreenCast interface): the
// menu then shows the portal's screen disabled and says what to install.
bool ScreenPortalMissing();

// In a Wayland session the X server is XWayland, which sees only X programs' windows: its
// screens' names say so.
inline constexpr const char* kXWaylandMark = " - X programs only (XWayland)";
void MarkXWaylandScreens(std::vector<DeviceInfo>& screens);

// The part of a w x h stream a region setting keeps (the whole stream without a region),
// even-sized for the encoders.
struct StreamCrop {
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool operator==(const StreamCrop&) const = default;
};
StreamCrop CropFor(const VideoSourceSettings& settings, int streamWidth, int streamHeight);

class PortalScreenSource final : private ScreenCastShare::Viewer {
public:
    // Starts the portal conversation. Waits briefly for the desktop's answer, so that an
    // immediate refusal (a cancelled choice) throws EngineError with its reason; a desktop
    // still asking the user after that answers later, and a refusal then arrives as Lost.
    PortalScreenSource(const DeviceInfo& device, SizeItem size, const VideoSourceSettings& settings,
                       SourceCallbacks callbacks);
    ~PortalScreenSource() override;
    PortalScreenSource(const PortalScreenSource&) = delete;
    PortalScreenSource& operator=(const PortalScreenSource&) = delete;

    VideoFormat Format() const { return format_; }

private:
    void OnScreenPicture(const AVFrame* picture) override;
    void OnScreenEnded(const std::string& why) override;
    void Tick();

    VideoSourceSettings settings_;
    SourceCallbacks callbacks_;
    VideoFormat format_;
    int rate_ = 30;
    std::shared_ptr<ScreenCastShare> share_;

    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;            // under mutex_
    bool lost_ = false;            // under mutex_
    AVFrame* latest_ = nullptr;    // under mutex_: the newest picture, at the output size
    bool fresh_ = false;           // under mutex_: not yet handed out

    SwsContext* scaler_ = nullptr;  // the share's picture thread only
    std::thread ticker_;
};

}  // namespace pelta::engine
