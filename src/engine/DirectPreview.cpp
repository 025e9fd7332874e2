#include "engine/DirectPreview.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/shm.h>

namespace pelta {

namespace {

// Where `p` lies when it is in a System V shared memory segment mapped here: the maps line
// of such a mapping names "/SYSV<key>" and carries the segment's id as its inode.
// The process's map tells, whoever made the segment: the engine's screen grab (and
// libavdevice's, where that reads the screen) marks its segments removed at once, so no key
// finds them, and a picture's buffer does not carry the segment's id. The map is read once
// per mapping: what was found (or found to be elsewhere) is remembered.
bool SegmentOf(const uint8_t* p, uintptr_t& begin, uintptr_t& end, int& shmId) {
    FILE* f = std::fopen("/proc/self/maps", "r");
    if (!f) return false;
    const auto at = reinterpret_cast<uintptr_t>(p);
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) {
        unsigned long b = 0, e = 0, inode = 0;
        char path[256] = {};
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %lu %255s", &b, &e, &inode, path) != 4) continue;
        if (at < b || at >= e) continue;
        found = std::strncmp(path, "/SYSV", 5) == 0;
        begin = b;
        end = e;
        shmId = int(inode);
        break;
    }
    std::fclose(f);
    return found;
}

// The pixels are taken as they lie (4 bytes, blue first): only a server that stores a
// depth 24 picture that way can read them.
bool SameLayout(xcb_connection_t* c, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    // Not a window with an alpha channel either: the unused byte would make it see-through.
    if (depth != 24) return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel == 32;
    return false;
}

}  // namespace

DirectPreview::DirectPreview(xcb_connection_t* connection) : connection_(connection) {
    if (!connection_ || xcb_connection_has_error(connection_)) return;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection_, &xcb_shm_id);
    available_ = shm && shm->present;
}

DirectPreview::~DirectPreview() {
    for (Segment& s : segments_) xcb_shm_detach(connection_, s.Seg);
    if (gc_) xcb_free_gc(connection_, gc_);
    if (available_) xcb_flush(connection_);
}

void DirectPreview::Drop(Segment& s) {
    xcb_shm_detach(connection_, s.Seg);
    s = segments_.back();
    segments_.pop_back();
}

DirectPreview::Segment* DirectPreview::Find(const uint8_t* p) {
    const auto at = reinterpret_cast<uintptr_t>(p);
    for (size_t i = 0; i < segments_.size(); ++i) {
        Segment& s = segments_[i];
        if (at < s.Begin || at >= s.End) continue;
        // Its owner may have freed it since, and a new segment taken its place here.
        shmid_ds ds{};
        if (shmctl(s.ShmId, IPC_STAT, &ds) == 0 && ds.shm_dtime == s.Detached) {
            s.LastUse = ++uses_;
            return &s;
        }
        Drop(s);
        break;
    }
    const auto now = std::chrono::steady_clock::now();
    for (const Elsewhere& e : elsewhere_)
        if (at >= e.Begin && at < e.End && now < e.Until) return nullptr;
    Segment s;
    if (!SegmentOf(p, s.Begin, s.End, s.ShmId)) {
        elsewhere_.erase(std::remove_if(elsewhere_.begin(), elsewhere_.end(),
                                        [&](const Elsewhere& e) { return now >= e.Until; }),
                         elsewhere_.end());
        if (s.End > s.Begin && elsewhere_.size() < 16)
            elsewhere_.push_back({s.Begin, s.End, now + std::chrono::seconds(2)});
        return nullptr;
    }
    if (std::find(refused_.begin(), refused_.end(), s.ShmId) != refused_.end()) return nullptr;
    shmid_ds ds{};
    if (shmctl(s.ShmId, IPC_STAT, &ds) != 0) return nullptr;
    s.Detached = ds.shm_dtime;
    s.Size = std::min<size_t>(ds.shm_segsz, s.End - s.Begin);
    s.Seg = xcb_generate_id(connection_);
    if (xcb_generic_error_t* error = xcb_request_check(connection_,
                                                       xcb_shm_attach_checked(connection_, s.Seg, uint32_t(s.ShmId), 1))) {
        std::free(error);
        refused_.push_back(s.ShmId);
        return nullptr;
    }
    // A grabbing device keeps a few segments in turn; older ones are let go.
    if (segments_.size() >= 8) {
        auto oldest = std::min_element(segments_.begin(), segments_.end(),
                                       [](const Segment& a, const Segment& b) { return a.LastUse < b.LastUse; });
        Drop(*oldest);
    }
    s.LastUse = ++uses_;
    segments_.push_back(s);
    return &segments_.back();
}

bool DirectPreview::Put(uint32_t window, const Picture& pic, int x, int y, int w, int h, int dstX, int dstY) {
    if (!available_ || !pic.Pixels || pic.Stride <= 0 || pic.Stride % 4 != 0 || pic.Width <= 0 ||
        pic.Height <= 0 || pic.Stride / 4 > 32767 || pic.Height > 32767)
        return false;
    x = std::max(x, 0);
    y = std::max(y, 0);
    w = std::min(w, pic.Width - x);
    h = std::min(h, pic.Height - y);
    if (w <= 0 || h <= 0) return true;
    if (window != gcWindow_) {
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
        if (!geometry) return false;
        depth_ = geometry->depth;
        std::free(geometry);
        if (gc_) xcb_free_gc(connection_, gc_);
        gc_ = xcb_generate_id(connection_);
        const uint32_t noExposures = 0;
        xcb_create_gc(connection_, gc_, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        gcWindow_ = window;
        layoutOk_ = SameLayout(connection_, depth_);
    }
    if (!layoutOk_) return false;
    Segment* s = Find(pic.Pixels);
    if (!s) return false;
    // The server reads whole lines of the stride from the picture's first pixel on.
    const size_t offset = reinterpret_cast<uintptr_t>(pic.Pixels) - s->Begin;
    if (offset + size_t(pic.Stride) * size_t(pic.Height) > s->Size) return false;
    xcb_shm_put_image(connection_, window, gc_, uint16_t(pic.Stride / 4), uint16_t(pic.Height), uint16_t(x),
                      uint16_t(y), uint16_t(w), uint16_t(h), int16_t(dstX + x), int16_t(dstY + y), depth_,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, s->Seg, uint32_t(offset));
    xcb_flush(connection_);
    return true;
}

}  // namespace pelta
