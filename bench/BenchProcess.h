// Helpers of the preview and sound benchmarks: the CPU of each thread of a child process,
// a screen that changes every frame, and iconifying a window the way a window manager does.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <string>
#include <unistd.h>

namespace bench {

// CPU seconds so far of each live thread of `pid` (from schedstat, in nanoseconds rather
// than clock ticks), summed by group: "ui" (the main thread), the engine's named threads
// ("preview", "video in", "sound in") and "other" (Qt's, libav's, the recorder's); "all" is
// their sum.
inline std::map<std::string, double> ThreadCpu(pid_t pid) {
    std::map<std::string, double> out;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const std::string task = dir + "/" + e->d_name;
        char comm[64] = {};
        unsigned long long ns = 0;
        FILE* f = std::fopen((task + "/comm").c_str(), "r");
        if (!f) continue;
        const bool named = std::fgets(comm, sizeof comm, f) != nullptr;
        std::fclose(f);
        f = std::fopen((task + "/schedstat").c_str(), "r");
        if (!f) continue;
        const bool timed = std::fscanf(f, "%llu", &ns) == 1;
        std::fclose(f);
        if (!named || !timed) continue;
        comm[std::strcspn(comm, "\n")] = 0;
        const std::string name = comm;
        std::string group = "other";
        if (std::to_string(pid) == e->d_name) group = "ui";
        else if (name == "preview" || name == "video in" || name == "sound in") group = name;
        out[group] += ns / 1e9;
        out["all"] += ns / 1e9;
    }
    closedir(d);
    return out;
}

// Paints the left 1920x1080 of the screen in a new colour 30 times a second until killed,
// so that every grabbed picture differs from the one before. `box`: only a 320x240 box in
// the middle changes (a video playing in a window).
[[noreturn]] inline void AnimateScreen(const char* display, bool box) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;
    const xcb_window_t win = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, 0, 0, 1920, 1080, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, win);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, win, 0, nullptr);
    const int16_t bx = 1920 / 2 - 160, by = 1080 / 2 - 120;
    const xcb_rectangle_t all = box ? xcb_rectangle_t{bx, by, 320, 240} : xcb_rectangle_t{0, 0, 1920, 1080};
    for (uint32_t n = 0;; ++n) {
        const uint32_t colour = (n * 0x050309u) & 0xffffffu;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
        xcb_poly_fill_rectangle(c, win, gc, 1, &all);
        xcb_flush(c);
        usleep(33333);
    }
}

// What an ICCCM window manager does when the user minimises a window: it marks the window
// Iconic in WM_STATE and unmaps it. (Xvfb has no window manager to do it; a program's own
// request to be minimised goes to the window manager and would be lost.)
inline void IconifyLikeAWindowManager(uint32_t window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return;
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 8, "WM_STATE"), nullptr);
    if (atom) {
        const uint32_t iconic[2] = {3, 0};  // IconicState, no icon window
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom->atom, atom->atom, 32, 2, iconic);
        free(atom);
    }
    xcb_unmap_window(c, window);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // done once answered
    xcb_disconnect(c);
}

}  // namespace bench
