// Draws a 32-bit picture that already lies in System V shared memory (as a screen grabbed
// through the X server's shared memory does) straight into an X window: the server reads
// the pixels from where they are, and this side copies nothing. Pictures
// elsewhere are refused, and the caller draws them the usual way.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <vector>

struct xcb_connection_t;

namespace pelta {

class DirectPreview {
public:
    // `connection` stays the caller's; nothing is drawn when the server lacks shared memory.
    explicit DirectPreview(xcb_connection_t* connection);
    ~DirectPreview();
    DirectPreview(const DirectPreview&) = delete;
    DirectPreview& operator=(const DirectPreview&) = delete;

    bool Available() const { return available_; }
    struct Picture {
        const uint8_t* Pixels = nullptr;  // top left pixel, 4 bytes a pixel (B, G, R, unused)
        int Stride = 0;                   // bytes a line
        int Width = 0, Height = 0;
    };
    // Draws the part (x, y, w, h) of `picture` at (dstX + x, dstY + y) in `window`. False,
    // drawing nothing, when the picture is not in shared memory the server can read.
    bool Put(uint32_t window, const Picture& picture, int x, int y, int w, int h, int dstX, int dstY);

private:
    struct Segment {
        uintptr_t Begin = 0, End = 0;  // where it is mapped here
        int ShmId = -1;
        size_t Size = 0;
        uint32_t Seg = 0;     // the server's name for it
        time_t Detached = 0;  // last detach time when attached: a later one means it was freed
        uint64_t LastUse = 0;
    };
    Segment* Find(const uint8_t* p);
    void Drop(Segment& s);

    xcb_connection_t* connection_;
    bool available_ = false;
    uint32_t gc_ = 0;
    uint32_t gcWindow_ = 0;
    uint8_t depth_ = 0;
    bool layoutOk_ = false;
    uint64_t uses_ = 0;
    std::vector<Segment> segments_;
    std::vector<int> refused_;  // segments the server would not attach
    // Mappings found not to be shared memory (the heap, a camera's buffers), so that their
    // pictures are refused without reading the process's map again; looked at anew later.
    struct Elsewhere {
        uintptr_t Begin = 0, End = 0;
        std::chrono::steady_clock::time_point Until;
    };
    std::vector<Elsewhere> elsewhere_;
};

}  // namespace pelta
