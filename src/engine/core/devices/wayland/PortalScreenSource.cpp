#include "engine/core/devices/wayland/PortalScreenSource.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace pelta::engine {

namespace {

// How long opening waits for the desktop's first answer. Without a chooser (a restored
// grant, a desktop that shares at once) the answer takes a few tens of milliseconds; a
// chooser the user looks at is not waited for.
constexpr auto kAnswerWait = std::chrono::milliseconds(400);
// The output pixel format: what the X11 screens deliver, so the encoders and the preview
// see the same pictures on either desktop.
constexpr AVPixelFormat kOutputFormat = AV_PIX_FMT_BGR0;

// The size of the compositor's first output in pixels, asked of the compositor directly
// (the portal tells the size only once a screen is shared, and the size menu is built
// before that).
struct OutputQuery {
    int Width = 0, Height = 0;
    wl_output* Output = nullptr;
};

const wl_output_listener kOutputListener = {
    [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {},
    [](void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t) {
        auto* q = static_cast<OutputQuery*>(data);
        if (flags & WL_OUTPUT_MODE_CURRENT) {
            q->Width = w;
            q->Height = h;
        }
    },
    [](void*, wl_output*) {},
    [](void*, wl_output*, int32_t) {},
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
        auto* q = static_cast<OutputQuery*>(data);
        if (!q->Output && std::strcmp(interface, wl_output_interface.name) == 0) {
            q->Output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
            wl_output_add_listener(q->Output, &kOutputListener, q);
        }
    },
    [](void*, wl_registry*, uint32_t) {},
};

bool WaylandOutputSize(int& w, int& h) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    OutputQuery q;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &q);
    wl_display_roundtrip(display);  // the globals
    if (q.Output) wl_display_roundtrip(display);  // the output's modes
    if (q.Output) wl_output_destroy(q.Output);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    w = q.Width;
    h = q.Height;
    return w > 0 && h > 0;
}

}  // namespace

namespace {
// Set by the last device discovery in a Wayland session that found no screen-cast portal.
std::atomic<bool> gPortalMissing{false};
}  // namespace

std::vector<DeviceInfo> PortalScreens() {
    gPortalMissing = false;
    if (!InWaylandSession()) return {};
    const PortalOffer offer = ProbeScreenCastPortal();
    gPortalMissing = !offer.Available;
    if (!offer.Available) return {};
    DeviceInfo d;
    d.Kind = DeviceKind::Screen;
    d.DisplayName = kPortalScreenName;
    d.InputFormat = kPortalInput;
    d.Url = OfferUrl(offer);
    if (!WaylandOutputSize(d.Width, d.Height)) {
        d.Width = 1920;  // the stream is scaled to whatever the menu's size says
        d.Height = 1080;
    }
    d.Sizes = ScreenSizes(d.Width, d.Height);
    return {d};
}

bool ScreenPortalMissing() { return gPortalMissing; }

void MarkXWaylandScreens(std::vector<DeviceInfo>& screens) {
    if (!InWaylandSession()) return;
    for (DeviceInfo& d : screens)
        if (d.Kind == DeviceKind::Screen && d.InputFormat == "x11grab") d.DisplayName += kXWaylandMark;
}

StreamCrop CropFor(const VideoSourceSettings& s, int w, int h) {
    StreamCrop c{0, 0, w, h};
    if (s.RegionWidth > 0 && s.RegionHeight > 0 && w > 0 && h > 0) {
        c.Width = std::min(s.RegionWidth, w);
        c.Height = std::min(s.RegionHeight, h);
        c.X = std::clamp(s.RegionX, 0, w - c.Width);
        c.Y = std::clamp(s.RegionY, 0, h - c.Height);
    }
    c.Width &= ~1;
    c.Height &= ~1;
    return c;
}

PortalScreenSource::PortalScreenSource(const DeviceInfo& device, SizeItem size, const VideoSourceSettings& settings,
                                       SourceCallbacks callbacks)
    : settings_(settings), callbacks_(std::move(callbacks)) {
    rate_ = AvSource::OpenRate(device, settings);
    // The size asked for; a region without one is delivered at its own size.
    int w = size.Width, h = size.Height;
    if (w <= 0 || h <= 0) {
        const StreamCrop c = CropFor(settings, device.Width, device.Height);
        w = c.Width;
        h = c.Height;
    }
    format_.Width = w & ~1;
    format_.Height = h & ~1;
    format_.PixelFormat = kOutputFormat;
    format_.FrameRate = AVRational{rate_, 1};
    format_.TimeBase = AVRational{1, rate_};
    if (format_.Width <= 0 || format_.Height <= 0)
        throw EngineError("Cannot open the video device \"" + device.DisplayName + "\": it has no size.");

    share_ = ScreenCastShare::Acquire(device.Url, settings.DrawCursor);
    std::string refusal;
    if (!share_->WaitForAnswer(kAnswerWait, refusal)) {
        share_.reset();
        throw EngineError(refusal);
    }
    share_->AddViewer(this);
    ticker_ = std::thread([this] { Tick(); });
}

PortalScreenSource::~PortalScreenSource() {
    share_->RemoveViewer(this);
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    if (ticker_.joinable()) ticker_.join();
    ScreenCastShare::Release(std::move(share_));
    av_frame_free(&latest_);
    sws_freeContext(scaler_);
}

// A refusal after the first wait (the user cancelled a chooser late) or the end of the
// sharing: the device is lost either way.
void PortalScreenSource::OnScreenEnded(const std::string& why) {
    {
        std::lock_guard lock(mutex_);
        if (stop_ || lost_) return;
        lost_ = true;
    }
    if (callbacks_.Lost) callbacks_.Lost(why);
}

void PortalScreenSource::OnScreenPicture(const AVFrame* picture) {
    const StreamCrop c = CropFor(settings_, picture->width, picture->height);
    if (c.Width <= 0 || c.Height <= 0) return;
    AVFrame* f = av_frame_alloc();
    if (!f) return;
    if (picture->format == kOutputFormat && c.X == 0 && c.Y == 0 && c.Width == picture->width &&
        c.Height == picture->height && c.Width == format_.Width && c.Height == format_.Height) {
        av_frame_ref(f, picture);  // the whole screen as it is: shared, not copied
    } else {
        f->format = kOutputFormat;
        f->width = format_.Width;
        f->height = format_.Height;
        if (av_frame_get_buffer(f, 0) < 0) {
            av_frame_free(&f);
            return;
        }
        const uint8_t* src = picture->data[0] + static_cast<ptrdiff_t>(c.Y) * picture->linesize[0] +
                             static_cast<ptrdiff_t>(c.X) * 4;
        if (picture->format == kOutputFormat && c.Width == f->width && c.Height == f->height) {
            av_image_copy_plane(f->data[0], f->linesize[0], src, picture->linesize[0], c.Width * 4, c.Height);
        } else {
            // Another layout, a size change of the stream, or another size asked for.
            scaler_ = sws_getCachedContext(scaler_, c.Width, c.Height, AVPixelFormat(picture->format), f->width,
                                           f->height, kOutputFormat, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (!scaler_) {
                av_frame_free(&f);
                return;
            }
            const uint8_t* planes[4] = {src, nullptr, nullptr, nullptr};
            const int strides[4] = {picture->linesize[0], 0, 0, 0};
            sws_scale(scaler_, planes, strides, 0, c.Height, f->data, f->linesize);
        }
    }
    std::lock_guard lock(mutex_);
    av_frame_free(&latest_);
    latest_ = f;
    fresh_ = true;
}

// Hands out the newest picture once per frame slot on the monotonic clock. A slot the
// ticker itself missed (the machine stalled it) is skipped, so its gap shows in the time
// stamps and counts as dropped; a still screen is a repeated picture, not a gap.
void PortalScreenSource::Tick() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate_));
    const auto start = Clock::now();
    int64_t slot = 0;
    AVFrame* out = av_frame_alloc();
    for (;;) {
        bool changed = false;
        {
            std::unique_lock lock(mutex_);
            if (cv_.wait_until(lock, start + slot * period, [this] { return stop_; })) break;
            if (lost_) {
                slot = (Clock::now() - start) / period + 1;
                continue;
            }
            if (latest_) {
                av_frame_unref(out);
                av_frame_ref(out, latest_);
                changed = fresh_;
                fresh_ = false;
            }
        }
        if (out->buf[0]) {
            out->pts = slot;
            MarkUnchanged(out, !changed);
            if (callbacks_.Frame) callbacks_.Frame(out, format_.TimeBase);
        }
        const int64_t due = (Clock::now() - start) / period;
        slot = std::max(slot + 1, due);
    }
    av_frame_free(&out);
}

}  // namespace pelta::engine
