// Tells whether a region of an X11 screen changed since it was last asked, from the X
// server's damage reports and the pointer position, so that a still screen costs the
// preview nothing but the grab itself.
#pragma once

#include <cstdint>
#include <string>

namespace pelta::engine {

class ScreenDamage {
public:
    // Opens its own connection to `display`. When the server lacks the damage extension,
    // or the connection breaks, every question is answered "changed".
    ScreenDamage(const std::string& display, int x, int y, int width, int height);
    ~ScreenDamage();
    ScreenDamage(const ScreenDamage&) = delete;
    ScreenDamage& operator=(const ScreenDamage&) = delete;

    bool Working() const;
    struct Area {
        int X = 0, Y = 0, Width = 0, Height = 0;  // relative to the region
    };
    // True when something inside the region was drawn, or the pointer moved inside it,
    // since the previous call; `changed` then bounds what changed. The first call answers
    // true with the whole region.
    bool TakeChanged(Area* changed = nullptr);

private:
    void Include(int x, int y, int w, int h);
    int ax0_ = 0, ay0_ = 0, ax1_ = 0, ay1_ = 0;  // bounds being collected, screen coordinates

    void* connection_ = nullptr;  // xcb_connection_t*
    uint32_t root_ = 0;
    uint32_t damage_ = 0;         // xcb_damage_damage_t
    uint32_t parts_ = 0;          // xcb_xfixes_region_t collecting what was damaged
    uint8_t eventBase_ = 0;
    int x_, y_, w_, h_;
    bool first_ = true;
    int pointerX_ = -1, pointerY_ = -1;
};

}  // namespace pelta::engine
