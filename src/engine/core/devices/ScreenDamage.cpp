#include "engine/core/devices/ScreenDamage.h"

// XCB rather than Xlib: a server that goes away is a connection error to check, not a
// process exit.
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdlib>

namespace pelta::engine {

namespace {
xcb_connection_t* Conn(void* c) { return static_cast<xcb_connection_t*>(c); }
}  // namespace

ScreenDamage::ScreenDamage(const std::string& display, int x, int y, int width, int height)
    : x_(x), y_(y), w_(width), h_(height) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display.c_str(), &screenNumber);
    connection_ = c;
    if (xcb_connection_has_error(c)) return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return;
    root_ = it.data->root;

    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
    if (!ext || !ext->present) return;
    eventBase_ = ext->first_event;
    // Both extensions refuse requests until their versions have been asked.
    free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    parts_ = xcb_generate_id(c);
    xcb_xfixes_create_region(c, parts_, 0, nullptr);
    damage_ = xcb_generate_id(c);
    // Non-empty reports: one event when the damage stops being empty, so a busy screen does
    // not flood the connection; the rectangles are fetched only when asked.
    xcb_damage_create(c, damage_, root_, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    // Whatever was pending when watching began belongs to the first answer ("changed").
    xcb_damage_subtract(c, damage_, XCB_NONE, XCB_NONE);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) free(ev);
}

ScreenDamage::~ScreenDamage() {
    xcb_connection_t* c = Conn(connection_);
    if (!c) return;
    if (!xcb_connection_has_error(c) && damage_) {
        xcb_damage_destroy(c, damage_);
        xcb_xfixes_destroy_region(c, parts_);
        xcb_flush(c);
    }
    xcb_disconnect(c);
}

bool ScreenDamage::Working() const {
    return damage_ != 0 && connection_ && !xcb_connection_has_error(Conn(connection_));
}

void ScreenDamage::Include(int x, int y, int w, int h) {
    const int x0 = std::max(x, x_), y0 = std::max(y, y_);
    const int x1 = std::min(x + w, x_ + w_), y1 = std::min(y + h, y_ + h_);
    if (x0 >= x1 || y0 >= y1) return;
    if (ax0_ >= ax1_) {
        ax0_ = x0, ay0_ = y0, ax1_ = x1, ay1_ = y1;
        return;
    }
    ax0_ = std::min(ax0_, x0), ay0_ = std::min(ay0_, y0);
    ax1_ = std::max(ax1_, x1), ay1_ = std::max(ay1_, y1);
}

bool ScreenDamage::TakeChanged(Area* area) {
    ax0_ = ay0_ = ax1_ = ay1_ = 0;
    if (!Working() || first_) {
        first_ = false;
        if (area) *area = Area{0, 0, w_, h_};
        // Still collect the pointer, so that the next answer is about what follows.
        if (Working()) TakeChanged(nullptr);
        return true;
    }
    xcb_connection_t* c = Conn(connection_);
    bool reported = false;
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
        if ((ev->response_type & 0x7f) == eventBase_ + XCB_DAMAGE_NOTIFY) reported = true;
        free(ev);
    }
    // Ask for the pointer together with the damaged rectangles: one round trip.
    const auto pointerCookie = xcb_query_pointer(c, root_);
    if (reported) {
        xcb_damage_subtract(c, damage_, XCB_NONE, parts_);
        auto* region = xcb_xfixes_fetch_region_reply(c, xcb_xfixes_fetch_region(c, parts_), nullptr);
        if (region) {
            const xcb_rectangle_t* rects = xcb_xfixes_fetch_region_rectangles(region);
            const int count = xcb_xfixes_fetch_region_rectangles_length(region);
            for (int i = 0; i < count; ++i) Include(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
            free(region);
        } else {
            Include(x_, y_, w_, h_);
        }
    }
    // The drawn cursor is part of the grabbed picture but moving it damages nothing.
    if (auto* p = xcb_query_pointer_reply(c, pointerCookie, nullptr)) {
        const int px = p->root_x, py = p->root_y;
        // The cursor image reaches at most this far from its hot spot.
        constexpr int kCursorReach = 64;
        const bool inside = px >= x_ - kCursorReach && px < x_ + w_ + kCursorReach && py >= y_ - kCursorReach &&
                            py < y_ + h_ + kCursorReach;
        if (px != pointerX_ || py != pointerY_) {
            if (inside) Include(px - kCursorReach, py - kCursorReach, 2 * kCursorReach, 2 * kCursorReach);
            if (pointerX_ >= 0)
                Include(pointerX_ - kCursorReach, pointerY_ - kCursorReach, 2 * kCursorReach, 2 * kCursorReach);
        }
        pointerX_ = inside ? px : -1;
        pointerY_ = inside ? py : -1;
        free(p);
    } else {
        Include(x_, y_, w_, h_);
    }
    if (ax0_ >= ax1_) return false;
    if (area) *area = Area{ax0_ - x_, ay0_ - y_, ax1_ - ax0_, ay1_ - ay0_};
    return true;
}

}  // namespace pelta::engine
