// A black window over the whole private X screen that a test paints on, so that pictures
// of the screen show only what the test drew. Removed again at the end.
#pragma once

#include "engine/CaptureEngine.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>

namespace pelta::test {

// The first screen in the preview at 100 %, in a window of w x h.
inline void PreviewScreen(CaptureEngine& engine, int w, int h) {
    engine.resize(w, h);
    engine.show();
    engine.VideoInputs().SetSelected(0);
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(true);
}

class ScreenCover {
public:
    explicit ScreenCover(xcb_connection_t* conn) : conn_(conn) {
        screen = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
        window = xcb_generate_id(conn_);
        const uint32_t values[] = {screen->black_pixel, 1};
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, screen->width_in_pixels,
                          screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(conn_, window);
        gc = xcb_generate_id(conn_);
        xcb_create_gc(conn_, gc, window, 0, nullptr);
        Sync();
    }
    ~ScreenCover() {
        xcb_destroy_window(conn_, window);
        xcb_free_gc(conn_, gc);
        Sync();
    }
    ScreenCover(const ScreenCover&) = delete;
    ScreenCover& operator=(const ScreenCover&) = delete;

    // Returns once the server has done all that was asked of it.
    void Sync() { free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr)); }
    void Fill(int16_t x, int16_t y, uint16_t w, uint16_t h, uint32_t colour) {
        xcb_change_gc(conn_, gc, XCB_GC_FOREGROUND, &colour);
        const xcb_rectangle_t r{x, y, w, h};
        xcb_poly_fill_rectangle(conn_, window, gc, 1, &r);
        Sync();
    }
    int Width() const { return screen->width_in_pixels; }
    int Height() const { return screen->height_in_pixels; }

    xcb_screen_t* screen = nullptr;
    xcb_window_t window = 0;
    xcb_gcontext_t gc = 0;

private:
    xcb_connection_t* conn_;
};

}  // namespace pelta::test
