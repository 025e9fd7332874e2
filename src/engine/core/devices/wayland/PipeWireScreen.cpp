#include "engine/core/devices/wayland/PipeWireScreen.h"

#include "engine/core/EngineContract.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace pelta::engine {

namespace {

std::once_flag gPipeWireInit;

// The formats asked for, best first: what screens deliver, and what the encoders and the
// preview convert from without trouble.
constexpr uint32_t kFormats[] = {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_BGRA,
                                 SPA_VIDEO_FORMAT_RGBA, SPA_VIDEO_FORMAT_xRGB, SPA_VIDEO_FORMAT_xBGR,
                                 SPA_VIDEO_FORMAT_ARGB, SPA_VIDEO_FORMAT_ABGR};

const spa_pod* BuildFormats(spa_pod_builder* b) {
    spa_pod_frame obj, choice;
    spa_pod_builder_push_object(b, &obj, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_prop(b, SPA_FORMAT_mediaType, 0);
    spa_pod_builder_id(b, SPA_MEDIA_TYPE_video);
    spa_pod_builder_prop(b, SPA_FORMAT_mediaSubtype, 0);
    spa_pod_builder_id(b, SPA_MEDIA_SUBTYPE_raw);
    spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(b, &choice, SPA_CHOICE_Enum, 0);
    spa_pod_builder_id(b, kFormats[0]);  // the default
    for (uint32_t f : kFormats) spa_pod_builder_id(b, f);
    spa_pod_builder_pop(b, &choice);
    spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_size, 0);
    spa_pod_builder_push_choice(b, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_rectangle(b, 1920, 1080);
    spa_pod_builder_rectangle(b, 1, 1);
    spa_pod_builder_rectangle(b, 16384, 16384);
    spa_pod_builder_pop(b, &choice);
    spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_framerate, 0);
    spa_pod_builder_push_choice(b, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_fraction(b, 0, 1);  // screens send when they change: no fixed rate
    spa_pod_builder_fraction(b, 0, 1);
    spa_pod_builder_fraction(b, 1000, 1);
    spa_pod_builder_pop(b, &choice);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &obj));
}

// Memory the program can read directly: memfd and plain memory, no DMA-BUF (a GPU buffer
// would need the GPU to map).
const spa_pod* BuildBuffers(spa_pod_builder* b) {
    spa_pod_frame obj;
    spa_pod_builder_push_object(b, &obj, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers);
    spa_pod_builder_prop(b, SPA_PARAM_BUFFERS_dataType, 0);
    spa_pod_builder_int(b, (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr));
    return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &obj));
}

const spa_pod* BuildHeaderMeta(spa_pod_builder* b) {
    spa_pod_frame obj;
    spa_pod_builder_push_object(b, &obj, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta);
    spa_pod_builder_prop(b, SPA_PARAM_META_type, 0);
    spa_pod_builder_id(b, SPA_META_Header);
    spa_pod_builder_prop(b, SPA_PARAM_META_size, 0);
    spa_pod_builder_int(b, sizeof(spa_meta_header));
    return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &obj));
}

}  // namespace

struct PipeWireScreen::Hooks {
    pw_stream_events Stream{};
    pw_core_events Core{};
    pw_registry_events Registry{};
    spa_hook StreamHook{};
    spa_hook CoreHook{};
    spa_hook RegistryHook{};
};

AVPixelFormat PipeWireScreen::PixelFormatOf(uint32_t f) {
    switch (f) {
    case SPA_VIDEO_FORMAT_BGRx: return AV_PIX_FMT_BGR0;
    case SPA_VIDEO_FORMAT_RGBx: return AV_PIX_FMT_RGB0;
    case SPA_VIDEO_FORMAT_BGRA: return AV_PIX_FMT_BGRA;
    case SPA_VIDEO_FORMAT_RGBA: return AV_PIX_FMT_RGBA;
    case SPA_VIDEO_FORMAT_xRGB: return AV_PIX_FMT_0RGB;
    case SPA_VIDEO_FORMAT_xBGR: return AV_PIX_FMT_0BGR;
    case SPA_VIDEO_FORMAT_ARGB: return AV_PIX_FMT_ARGB;
    case SPA_VIDEO_FORMAT_ABGR: return AV_PIX_FMT_ABGR;
    default: return AV_PIX_FMT_NONE;
    }
}

PipeWireScreen::PipeWireScreen(int fd, uint32_t node, PictureFn picture, LostFn lost)
    : picture_(std::move(picture)), lost_(std::move(lost)), node_(node), hooks_(new Hooks) {
    std::call_once(gPipeWireInit, [] { pw_init(nullptr, nullptr); });
    hooks_->Stream.version = PW_VERSION_STREAM_EVENTS;
    hooks_->Stream.state_changed = [](void* self, pw_stream_state, pw_stream_state state, const char* error) {
        static_cast<PipeWireScreen*>(self)->OnStateChanged(state, error);
    };
    hooks_->Stream.param_changed = [](void* self, uint32_t id, const spa_pod* param) {
        static_cast<PipeWireScreen*>(self)->OnParamChanged(id, param);
    };
    hooks_->Stream.process = [](void* self) { static_cast<PipeWireScreen*>(self)->OnProcess(); };
    hooks_->Core.version = PW_VERSION_CORE_EVENTS;
    hooks_->Core.error = [](void* self, uint32_t id, int, int res, const char* message) {
        static_cast<PipeWireScreen*>(self)->OnCoreError(id, res, message);
    };

    hooks_->Registry.version = PW_VERSION_REGISTRY_EVENTS;
    hooks_->Registry.global_remove = [](void* self, uint32_t id) {
        static_cast<PipeWireScreen*>(self)->OnGlobalRemoved(id);
    };

    loop_ = pw_thread_loop_new("pelta-screen", nullptr);
    context_ = loop_ ? pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0) : nullptr;
    if (!context_ || pw_thread_loop_start(loop_) < 0) {
        close(fd);
        if (context_) pw_context_destroy(context_);
        if (loop_) pw_thread_loop_destroy(loop_);
        delete hooks_;
        throw EngineError("Cannot read the shared screen: PipeWire could not be started.");
    }
    pw_thread_loop_lock(loop_);
    core_ = pw_context_connect_fd(context_, fd, nullptr, 0);  // owns fd from here, also on failure
    if (core_) {
        pw_core_add_listener(core_, &hooks_->CoreHook, &hooks_->Core, this);
        // The stream only pauses when its node goes; the registry says that it went.
        registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
        if (registry_) pw_registry_add_listener(registry_, &hooks_->RegistryHook, &hooks_->Registry, this);
        stream_ = pw_stream_new(core_, "Pelta-RX screen",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                  PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    }
    int err = -EIO;
    if (stream_) {
        pw_stream_add_listener(stream_, &hooks_->StreamHook, &hooks_->Stream, this);
        uint8_t buffer[1024];
        spa_pod_builder b;
        spa_pod_builder_init(&b, buffer, sizeof buffer);
        const spa_pod* params[] = {BuildFormats(&b)};
        err = pw_stream_connect(stream_, PW_DIRECTION_INPUT, node,
                                static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                                params, 1);
    }
    pw_thread_loop_unlock(loop_);
    if (err < 0) {
        Teardown();
        throw EngineError(std::string("Cannot read the shared screen: ") + std::strerror(-err) + ".");
    }
}

PipeWireScreen::~PipeWireScreen() { Teardown(); }

void PipeWireScreen::Teardown() {
    closing_ = true;
    if (loop_) {
        pw_thread_loop_lock(loop_);
        if (stream_) {
            pw_stream_disconnect(stream_);
            pw_stream_destroy(stream_);
            stream_ = nullptr;
        }
        if (registry_) {
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
            registry_ = nullptr;
        }
        if (core_) {
            pw_core_disconnect(core_);
            core_ = nullptr;
        }
        pw_thread_loop_unlock(loop_);
        pw_thread_loop_stop(loop_);
    }
    if (context_) pw_context_destroy(context_);
    context_ = nullptr;
    if (loop_) pw_thread_loop_destroy(loop_);
    loop_ = nullptr;
    delete hooks_;
    hooks_ = nullptr;
}

void PipeWireScreen::Lose(const std::string& why) {
    if (closing_ || lostSent_.exchange(true)) return;
    if (lost_) lost_(why);
}

void PipeWireScreen::OnParamChanged(uint32_t id, const spa_pod* param) {
    if (!param || id != SPA_PARAM_Format) return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0) return;
    format_ = PixelFormatOf(info.format);
    width_ = static_cast<int>(info.size.width);
    height_ = static_cast<int>(info.size.height);
    uint8_t buffer[512];
    spa_pod_builder b;
    spa_pod_builder_init(&b, buffer, sizeof buffer);
    const spa_pod* params[] = {BuildBuffers(&b), BuildHeaderMeta(&b)};
    pw_stream_update_params(stream_, params, 2);
}

void PipeWireScreen::OnProcess() {
    // Only the newest picture matters; older ones go straight back.
    pw_buffer* newest = nullptr;
    while (pw_buffer* b = pw_stream_dequeue_buffer(stream_)) {
        if (newest) pw_stream_queue_buffer(stream_, newest);
        newest = b;
    }
    if (!newest) return;
    spa_buffer* buf = newest->buffer;
    const auto* header =
        static_cast<const spa_meta_header*>(spa_buffer_find_meta_data(buf, SPA_META_Header, sizeof(spa_meta_header)));
    const bool corrupted = header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED);
    const spa_data& d = buf->datas[0];
    if (!corrupted && buf->n_datas > 0 && d.data && d.chunk && d.chunk->size > 0 && format_ != AV_PIX_FMT_NONE &&
        width_ > 0 && height_ > 0) {
        ScreenPicture p;
        p.Data = static_cast<const uint8_t*>(d.data) + d.chunk->offset;
        p.Stride = d.chunk->stride > 0 ? d.chunk->stride : width_ * 4;
        p.Width = width_;
        p.Height = height_;
        p.Format = format_;
        // A chunk too small for the picture it claims is skipped rather than read past.
        if (static_cast<int64_t>(d.chunk->size) >= static_cast<int64_t>(p.Stride) * (height_ - 1) + width_ * 4 &&
            picture_)
            picture_(p);
    }
    pw_stream_queue_buffer(stream_, newest);
}

void PipeWireScreen::OnStateChanged(int state, const char* error) {
    if (state == PW_STREAM_STATE_STREAMING || state == PW_STREAM_STATE_PAUSED) streamed_ = true;
    if (state == PW_STREAM_STATE_ERROR)
        Lose(std::string("The shared screen's stream failed") + (error ? std::string(": ") + error : "") + ".");
    else if (state == PW_STREAM_STATE_UNCONNECTED && streamed_)
        Lose("The desktop stopped sharing the screen.");
}

void PipeWireScreen::OnGlobalRemoved(uint32_t id) {
    if (id == node_) Lose("The desktop stopped sharing the screen.");
}

void PipeWireScreen::OnCoreError(uint32_t id, int res, const char* message) {
    if (id == PW_ID_CORE && res == -EPIPE)
        Lose(std::string("The connection to PipeWire was lost") + (message ? std::string(": ") + message : "") + ".");
}

}  // namespace pelta::engine
