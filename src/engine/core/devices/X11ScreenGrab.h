// Grabs a region of an X11 screen through the server's shared memory (MIT-SHM), straight
// into System V segments that the frames then refer to: the server writes the pixels once,
// and the preview can hand the same segment back to the server to draw without a copy.
#pragma once

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace pelta::engine {

class X11ScreenGrab {
public:
    struct Region {
        std::string Display;  // as for xcb_connect, e.g. ":0.0"; empty for $DISPLAY
        int X = 0, Y = 0, Width = 0, Height = 0;  // in root-window pixels
    };
    struct Options {
        int Rate = 30;  // pictures a second
        bool DrawCursor = true;
        bool FollowMouse = false;  // the region moves to keep the pointer in its middle
    };
    // nullptr, with `why` set, when this display cannot be grabbed this way (no connection,
    // no shared memory with the server, pixels not 32 bits with 8-bit red, green and blue,
    // or a region not inside the screen); the caller then grabs some other way.
    static std::unique_ptr<X11ScreenGrab> Open(const Region& region, const Options& options, std::string& why);
    ~X11ScreenGrab();
    X11ScreenGrab(const X11ScreenGrab&) = delete;
    X11ScreenGrab& operator=(const X11ScreenGrab&) = delete;

    AVPixelFormat PixelFormat() const { return format_; }
    AVRational TimeBase() const { return {1, 1000000}; }
    // Waits until the next picture is due, then grabs it into `frame` (unreferenced first).
    // 0 on success; AVERROR_EXIT when `stop` became true while waiting; another negative
    // AVERROR when the display is gone or refuses, with `why` saying so.
    int Grab(AVFrame* frame, const std::atomic<bool>& stop, std::string& why);

    struct Shared;  // the connection and the segments, kept until the last frame lets go

private:
    X11ScreenGrab() = default;
    int Lost(std::string& why) const;

    Shared* shared_ = nullptr;
    AVBufferPool* pool_ = nullptr;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    int offsets_[3] = {};  // bytes of red, green and blue within a pixel
    Options options_;
    std::string display_;
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    int screenW_ = 0, screenH_ = 0;
    uint32_t root_ = 0;
    bool cursorKnown_ = false;  // the server has XFixes
    int64_t base_ = -1;         // when picture 0 of the current schedule was due
    int64_t count_ = 0;         // pictures since then
};

}  // namespace pelta::engine
