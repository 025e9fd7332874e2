// A PipeWire video stream of the screen that a desktop portal granted, read on PipeWire's
// own thread loop. Hands out each new picture as the compositor delivers it (only when
// the screen changes), in the shared-memory buffers it asked for.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;
struct pw_registry;
struct spa_pod;

namespace pelta::engine {

struct ScreenPicture {
    const uint8_t* Data = nullptr;
    int Stride = 0;
    int Width = 0, Height = 0;
    AVPixelFormat Format = AV_PIX_FMT_NONE;
};

class PipeWireScreen {
public:
    using PictureFn = std::function<void(const ScreenPicture&)>;  // on PipeWire's thread; copy what you keep
    using LostFn = std::function<void(const std::string& why)>;   // at most once
    // Connects on the portal's remote (taking the descriptor) and asks for the node; throws
    // EngineError when PipeWire cannot be reached.
    PipeWireScreen(int fd, uint32_t node, PictureFn picture, LostFn lost);
    ~PipeWireScreen();
    PipeWireScreen(const PipeWireScreen&) = delete;
    PipeWireScreen& operator=(const PipeWireScreen&) = delete;

    // The libavutil format of a SPA raw video format this stream takes, else NONE.
    static AVPixelFormat PixelFormatOf(uint32_t spaFormat);

    // Stream callbacks (PipeWire's thread).
    void OnParamChanged(uint32_t id, const spa_pod* param);
    void OnProcess();
    void OnStateChanged(int state, const char* error);
    void OnCoreError(uint32_t id, int res, const char* message);
    void OnGlobalRemoved(uint32_t id);

private:
    void Lose(const std::string& why);
    void Teardown();

    PictureFn picture_;
    LostFn lost_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    pw_registry* registry_ = nullptr;  // tells when the shared node goes away
    uint32_t node_ = 0;
    struct Hooks;
    Hooks* hooks_ = nullptr;
    int width_ = 0, height_ = 0;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    bool streamed_ = false;
    std::atomic<bool> closing_{false};
    std::atomic<bool> lostSent_{false};
};

}  // namespace pelta::engine
