// A connection of the test's own and a mapped window on a private X display, with what the
// server shows read back.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pelta::test {

class X11Window {
public:
    // On `display` (nullptr: $DISPLAY), at (x, y), filled with `colour` (0xRRGGBB).
    X11Window(int16_t x, int16_t y, uint16_t w, uint16_t h, uint32_t colour, const char* display = nullptr) {
        conn_ = xcb_connect(display, nullptr);
        if (xcb_connection_has_error(conn_)) return;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
        root_ = screen->root;
        win_ = xcb_generate_id(conn_);
        const uint32_t values[] = {colour, 1};
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, win_, screen->root, x, y, w, h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
                          values);
        xcb_map_window(conn_, win_);
        Sync();
    }
    ~X11Window() {
        if (win_) xcb_destroy_window(conn_, win_);
        Sync();
        xcb_disconnect(conn_);
    }
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;
    bool Ok() const { return win_ != 0 && !xcb_connection_has_error(conn_); }
    xcb_connection_t* Connection() const { return conn_; }
    xcb_window_t Id() const { return win_; }
    xcb_window_t Root() const { return root_; }
    void Sync() { free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr)); }
    void Fill(uint32_t colour) {
        const uint32_t values[] = {colour};
        xcb_change_window_attributes(conn_, win_, XCB_CW_BACK_PIXEL, values);
        xcb_clear_area(conn_, 0, win_, 0, 0, 0, 0);
        Sync();
    }
    // The window's pixels as the server shows them, 0x00RRGGBB.
    std::vector<uint32_t> Pixels(xcb_window_t win, int w, int h) {
        std::vector<uint32_t> out;
        xcb_get_image_reply_t* r = xcb_get_image_reply(
            conn_, xcb_get_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, win, 0, 0, uint16_t(w), uint16_t(h), ~0u), nullptr);
        if (!r) return out;
        const auto* p = reinterpret_cast<const uint32_t*>(xcb_get_image_data(r));
        for (int i = 0; i < w * h; ++i) out.push_back(p[i] & 0xffffff);
        free(r);
        return out;
    }

private:
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t win_ = 0;
    xcb_window_t root_ = 0;
};

}  // namespace pelta::test
