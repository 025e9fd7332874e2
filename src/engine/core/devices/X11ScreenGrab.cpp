#include "engine/core/devices/X11ScreenGrab.h"

// XCB rather than Xlib: a server that goes away is a connection error to check, not a
// process exit, and frames are let go on other threads.
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

#if defined(__SANITIZE_THREAD__)
#define PELTA_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PELTA_TSAN 1
#endif
#endif
#ifdef PELTA_TSAN
extern "C" void AnnotateBenignRaceSized(const char* file, int line, const volatile void* mem, size_t size,
                                        const char* description);
#endif

namespace pelta::engine {

// Outlives the grabber while frames still refer to its segments: freed by the pool once the
// last of them has come back.
struct X11ScreenGrab::Shared {
    xcb_connection_t* Connection;
    std::string Failure;  // why the last new segment failed
};

namespace {

struct Segment {
    X11ScreenGrab::Shared* Owner;
    uint32_t Seg;
};

void FreeSegment(void* opaque, uint8_t* data) {
    auto* segment = static_cast<Segment*>(opaque);
    X11ScreenGrab::Shared* s = segment->Owner;
    xcb_shm_detach(s->Connection, segment->Seg);
    xcb_flush(s->Connection);
    shmdt(data);
    delete segment;
}

// Only this user may read the screen's pictures (0600). The segment is marked removed as soon
// as the server holds it too, so that it goes away with the last detach, even when this
// process is killed.
AVBufferRef* NewSegment(void* opaque, size_t size) {
    auto* s = static_cast<X11ScreenGrab::Shared*>(opaque);
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) {
        s->Failure = "no shared memory segment of " + std::to_string(size) + " bytes: " + std::strerror(errno);
        return nullptr;
    }
    void* at = shmat(id, nullptr, 0);
    if (at == reinterpret_cast<void*>(-1)) {
        s->Failure = std::string("the shared memory segment could not be mapped: ") + std::strerror(errno);
        shmctl(id, IPC_RMID, nullptr);
        return nullptr;
    }
    auto* data = static_cast<uint8_t*>(at);
#ifdef PELTA_TSAN
    // A segment's pixels go back to the pool when libavutil's reference count (atomics that
    // ThreadSanitizer cannot see) reaches zero on whichever thread let the picture go last;
    // the cursor is then drawn into them here, after the server (unseen too) wrote the rest.
    // Only the pixels are exempt: the pool and the frames stay watched.
    AnnotateBenignRaceSized(__FILE__, __LINE__, data, size, "grabbed pixels, handed over by reference counts");
#endif
    const uint32_t seg = xcb_generate_id(s->Connection);
    xcb_generic_error_t* error =
        xcb_request_check(s->Connection, xcb_shm_attach_checked(s->Connection, seg, uint32_t(id), 0));
    shmctl(id, IPC_RMID, nullptr);
    if (error || xcb_connection_has_error(s->Connection)) {
        std::free(error);
        s->Failure = "the X server could not attach the shared memory (a display on another machine?)";
        shmdt(at);
        return nullptr;
    }
    auto* segment = new Segment{s, seg};
    AVBufferRef* buffer = av_buffer_create(data, size, FreeSegment, segment, 0);
    if (!buffer) {
        FreeSegment(segment, data);
        s->Failure = "out of memory";
        return nullptr;
    }
    return buffer;
}

void FreeShared(void* opaque) {
    auto* s = static_cast<X11ScreenGrab::Shared*>(opaque);
    xcb_disconnect(s->Connection);
    delete s;
}

// Where a channel of `mask` lies among a pixel's 4 bytes, or -1 when it is not a whole byte.
int ByteOf(uint32_t mask, bool lsbFirst) {
    for (int b = 0; b < 4; ++b)
        if (mask == 0xffu << (8 * b)) return lsbFirst ? b : 3 - b;
    return -1;
}

// Blends the cursor (premultiplied ARGB) over the picture where the two overlap.
void Blend(uint8_t* pixels, int w, int h, const int offsets[3], const xcb_xfixes_get_cursor_image_reply_t* r,
           int regionX, int regionY) {
    const uint32_t* image = xcb_xfixes_get_cursor_image_cursor_image(r);
    const int left = r->x - r->xhot - regionX, top = r->y - r->yhot - regionY;
    const int x0 = std::max(0, -left), x1 = std::min<int>(r->width, w - left);
    const int y0 = std::max(0, -top), y1 = std::min<int>(r->height, h - top);
    for (int cy = y0; cy < y1; ++cy)
        for (int cx = x0; cx < x1; ++cx) {
            const uint32_t argb = image[cy * r->width + cx];
            if (argb == 0) continue;
            const uint32_t keep = 255 - (argb >> 24);
            uint8_t* p = pixels + (size_t(top + cy) * size_t(w) + size_t(left + cx)) * 4;
            for (int c = 0; c < 3; ++c) {
                uint8_t& d = p[offsets[c]];
                d = uint8_t(std::min<uint32_t>(255, ((argb >> (16 - 8 * c)) & 0xff) + (d * keep + 127) / 255));
            }
        }
}

}  // namespace

std::unique_ptr<X11ScreenGrab> X11ScreenGrab::Open(const Region& region, const Options& options, std::string& why) {
    std::unique_ptr<X11ScreenGrab> g(new X11ScreenGrab);
    g->display_ = region.Display.empty() ? (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "") : region.Display;
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(region.Display.empty() ? nullptr : region.Display.c_str(), &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        why = "cannot connect to the X display \"" + g->display_ + "\"";
        return nullptr;
    }
    g->shared_ = new Shared{c};
    g->options_ = options;
    g->options_.Rate = std::max(options.Rate, 1);
    g->x_ = region.X, g->y_ = region.Y, g->w_ = region.Width, g->h_ = region.Height;

    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        why = "the X display \"" + g->display_ + "\" has no screen " + std::to_string(screenNumber);
        return nullptr;
    }
    const xcb_screen_t* screen = it.data;
    g->root_ = screen->root;
    g->screenW_ = screen->width_in_pixels, g->screenH_ = screen->height_in_pixels;

    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present) {
        why = "the X server has no shared memory extension (MIT-SHM)";
        return nullptr;
    }
    int bits = 0;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth) bits = f.data->bits_per_pixel;
    if (bits != 32) {
        why = "the screen has " + std::to_string(bits) + " bits a pixel, not 32";
        return nullptr;
    }
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem && !visual; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual) visual = v.data;
    const bool lsb = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    const uint32_t masks[3] = {visual ? visual->red_mask : 0, visual ? visual->green_mask : 0,
                               visual ? visual->blue_mask : 0};
    for (int i = 0; i < 3; ++i) g->offsets_[i] = ByteOf(masks[i], lsb);
    const int* o = g->offsets_;
    if (o[0] == 2 && o[1] == 1 && o[2] == 0) g->format_ = AV_PIX_FMT_BGR0;
    else if (o[0] == 0 && o[1] == 1 && o[2] == 2) g->format_ = AV_PIX_FMT_RGB0;
    else if (o[0] == 1 && o[1] == 2 && o[2] == 3) g->format_ = AV_PIX_FMT_0RGB;
    else if (o[0] == 3 && o[1] == 2 && o[2] == 1) g->format_ = AV_PIX_FMT_0BGR;
    else {
        char text[128];
        std::snprintf(text, sizeof text, "the screen's colours are not 8 bits each in a 32-bit pixel (red %#x, green %#x, blue %#x)",
                      masks[0], masks[1], masks[2]);
        why = text;
        return nullptr;
    }
    if (region.Width <= 0 || region.Height <= 0 || region.X < 0 || region.Y < 0 ||
        region.X + region.Width > g->screenW_ || region.Y + region.Height > g->screenH_) {
        why = "the region " + std::to_string(region.Width) + "x" + std::to_string(region.Height) + " at (" +
              std::to_string(region.X) + ", " + std::to_string(region.Y) + ") is not inside the screen (" +
              std::to_string(g->screenW_) + "x" + std::to_string(g->screenH_) + ")";
        return nullptr;
    }
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // XFixes refuses requests until its version has been asked.
        std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
        g->cursorKnown_ = true;
    }
    g->pool_ = av_buffer_pool_init2(size_t(g->w_) * size_t(g->h_) * 4, g->shared_, NewSegment, FreeShared);
    if (!g->pool_) {
        why = "out of memory";
        return nullptr;
    }
    // A first segment now, so that a server that cannot share memory with this process (on
    // another machine, say) is found before the caller settles on this way of grabbing.
    AVBufferRef* first = av_buffer_pool_get(g->pool_);
    if (!first) {
        why = g->shared_->Failure;
        return nullptr;
    }
    av_buffer_unref(&first);
    return g;
}

X11ScreenGrab::~X11ScreenGrab() {
    if (pool_) av_buffer_pool_uninit(&pool_);  // frees shared_ once the last frame lets go
    else if (shared_) FreeShared(shared_);
}

int X11ScreenGrab::Lost(std::string& why) const {
    why = "the connection to the X display \"" + display_ + "\" was lost";
    return AVERROR(EIO);
}

int X11ScreenGrab::Grab(AVFrame* frame, const std::atomic<bool>& stop, std::string& why) {
    av_frame_unref(frame);
    const int rate = options_.Rate;
    int64_t now = av_gettime_relative();
    if (base_ < 0) base_ = now, count_ = 0;
    const int64_t due = base_ + count_ * 1000000 / rate;
    // Short sleeps, so that a stop is seen promptly even at a low rate.
    for (;;) {
        if (stop.load()) return AVERROR_EXIT;
        now = av_gettime_relative();
        if (now >= due) break;
        av_usleep(unsigned(std::min<int64_t>(due - now, 50000)));
    }
    // More than a picture late (a slow machine): start the schedule anew from now rather than
    // grab the missed pictures back to back; the gap shows in the times.
    if (now - due >= 1000000 / rate) base_ = now, count_ = 0;

    xcb_connection_t* c = shared_->Connection;
    if (xcb_connection_has_error(c)) return Lost(why);
    if (options_.FollowMouse) {
        xcb_query_pointer_reply_t* p = xcb_query_pointer_reply(c, xcb_query_pointer(c, root_), nullptr);
        if (!p) return Lost(why);
        x_ = std::clamp(p->root_x - w_ / 2, 0, screenW_ - w_);
        y_ = std::clamp(p->root_y - h_ / 2, 0, screenH_ - h_);
        std::free(p);
    }
    AVBufferRef* buffer = av_buffer_pool_get(pool_);
    if (!buffer) {
        if (xcb_connection_has_error(c)) return Lost(why);
        why = shared_->Failure;
        return AVERROR(ENOMEM);
    }
    // The server's name for the segment, kept with the buffer the pool made for it.
    const uint32_t seg = static_cast<const Segment*>(av_buffer_pool_buffer_get_opaque(buffer))->Seg;
    const int64_t pts = av_gettime_relative();
    const auto image = xcb_shm_get_image(c, root_, int16_t(x_), int16_t(y_), uint16_t(w_), uint16_t(h_), ~0u,
                                         XCB_IMAGE_FORMAT_Z_PIXMAP, seg, 0);
    const bool cursor = options_.DrawCursor && cursorKnown_;
    xcb_xfixes_get_cursor_image_cookie_t cursorCookie{};
    if (cursor) cursorCookie = xcb_xfixes_get_cursor_image(c);
    xcb_generic_error_t* error = nullptr;
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(c, image, &error);
    if (!reply) {
        if (cursor) xcb_discard_reply(c, cursorCookie.sequence);
        av_buffer_unref(&buffer);
        if (!error) return Lost(why);
        why = "the X server refused to grab the screen (X error " + std::to_string(error->error_code) + ")";
        std::free(error);
        return AVERROR_EXTERNAL;
    }
    std::free(reply);
    // A cursor that cannot be had is left out of this picture, not an error of the grab.
    if (cursor) {
        if (auto* r = xcb_xfixes_get_cursor_image_reply(c, cursorCookie, nullptr)) {
            Blend(buffer->data, w_, h_, offsets_, r, x_, y_);
            std::free(r);
        }
    }
    frame->buf[0] = buffer;
    frame->data[0] = buffer->data;
    frame->linesize[0] = w_ * 4;
    frame->width = w_;
    frame->height = h_;
    frame->format = format_;
    frame->pts = pts;
    ++count_;
    return 0;
}

}  // namespace pelta::engine
