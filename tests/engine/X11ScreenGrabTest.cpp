// The screen grabbed through shared memory: the right pixels from the right place, the cursor
// drawn in or left out and clipped, segments private, reused and outliving the grabber, the
// schedule, and a stop or a display that goes away answered promptly.
#include "Frames.h"
#include "X11Window.h"
#include "engine/DirectPreview.h"
#include "engine/core/devices/X11ScreenGrab.h"
#include "support/MediaTest.h"

extern "C" {
#include <libavutil/error.h>
}

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <sys/shm.h>

namespace {

using pelta::engine::X11ScreenGrab;
using pelta::test::FramePtr;
using Colours = std::function<uint32_t(int, int)>;  // 0xRRGGBB at a point of the screen

uint32_t Pattern(int x, int y) { return uint32_t((x * 7 + y) & 0xff) << 16 | uint32_t((x ^ (y * 3)) & 0xff) << 8 | (y & 0xff); }
uint32_t At(const AVFrame* f, int x, int y) {
    uint32_t v = 0;
    std::memcpy(&v, f->data[0] + y * f->linesize[0] + x * 4, 4);
    return v & 0xffffff;
}
// Pixels of `f` that differ from `expected` (in screen coordinates, the region at x0, y0).
int Wrong(const AVFrame* f, int x0, int y0, const Colours& expected) {
    int wrong = 0;
    for (int y = 0; y < f->height; ++y)
        for (int x = 0; x < f->width; ++x) wrong += At(f, x, y) != expected(x0 + x, y0 + y);
    return wrong;
}
FramePtr Grab(X11ScreenGrab& g) {
    FramePtr f(av_frame_alloc());
    std::string why;
    EXPECT_EQ(g.Grab(f.get(), std::atomic<bool>{false}, why), 0) << why;
    return f;
}

// A 320x240 display of its own, with a window at (250, 0) for the preview, clear of the regions grabbed.
class X11ScreenGrabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        display_ = new pelta::test::PrivateDisplay("320x240x24");
        window_ = new pelta::test::X11Window(250, 0, 64, 48, 0, display_->Name().c_str());
    }
    static void TearDownTestSuite() { delete window_, delete display_; }
    void SetUp() override { PELTA_NEEDS_SERVICE(display_->Up() && window_->Ok(), "Xvfb"); }
    // Paints the root window (a request larger than the core protocol's limit: xcb sends it big).
    static void Paint(const Colours& colour) {
        xcb_connection_t* c = window_->Connection();
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, window_->Root(), 0, nullptr);
        std::vector<uint32_t> screen(320 * 240);
        for (size_t i = 0; i < screen.size(); ++i) screen[i] = colour(int(i % 320), int(i / 320));
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window_->Root(), gc, 320, 240, 0, 0, 0, 24,
                      uint32_t(screen.size() * 4), reinterpret_cast<const uint8_t*>(screen.data()));
        xcb_free_gc(c, gc);
        window_->Sync();
    }
    static void Warp(int x, int y) {
        xcb_warp_pointer(window_->Connection(), XCB_NONE, window_->Root(), 0, 0, 0, 0, int16_t(x), int16_t(y));
        window_->Sync();
    }
    static std::unique_ptr<X11ScreenGrab> Open(int x, int y, int w, int h, X11ScreenGrab::Options options) {
        std::string why;
        auto g = X11ScreenGrab::Open({display_->Name(), x, y, w, h}, options, why);
        EXPECT_TRUE(g) << why;
        return g;
    }
    static inline pelta::test::PrivateDisplay* display_ = nullptr;
    static inline pelta::test::X11Window* window_ = nullptr;
};

TEST_F(X11ScreenGrabTest, GrabsTheRegionFollowsThePointerAndRefusesARegionOutsideTheScreen) {
    Paint(Pattern);
    auto g = Open(37, 21, 100, 60, {30, false, false});
    ASSERT_TRUE(g);
    EXPECT_EQ(g->PixelFormat(), AV_PIX_FMT_BGR0);
    FramePtr f = Grab(*g);
    ASSERT_TRUE(f->buf[0]);
    EXPECT_EQ(std::vector<int>({f->format, f->width, f->height, f->linesize[0]}),
              std::vector<int>({AV_PIX_FMT_BGR0, 100, 60, 400}));
    EXPECT_EQ(Wrong(f.get(), 37, 21, Pattern), 0);
    // The pointer in the middle of the region where the screen leaves room, else at the edge.
    auto following = Open(0, 0, 100, 60, {30, false, true});
    ASSERT_TRUE(following);
    for (const auto& [px, py, x, y] : std::vector<std::array<int, 4>>{{90, 70, 40, 40}, {5, 5, 0, 0}, {315, 235, 220, 180}}) {
        Warp(px, py);
        EXPECT_EQ(Wrong(Grab(*following).get(), x, y, Pattern), 0) << "pointer at " << px << "," << py;
    }

    for (const auto& [x, y, w, h] : std::vector<std::array<int, 4>>{
             {-1, 0, 10, 10}, {0, -1, 10, 10}, {311, 0, 10, 10}, {0, 231, 10, 10}, {0, 0, 0, 10}, {0, 0, 320, 241}}) {
        std::string why;
        EXPECT_FALSE(X11ScreenGrab::Open({display_->Name(), x, y, w, h}, {}, why)) << x << "," << y;
        EXPECT_NE(why.find("not inside the screen"), std::string::npos) << why;
    }
}

// The region is 100x80 at (40, 30) in one colour; the cursor changes pixels within 32 of the
// pointer alone, also when partly outside the region (clipped wrongly, it would wrap around).
// Black and white pixels show it was blended with its alpha, not added.
TEST_F(X11ScreenGrabTest, DrawsTheCursorOnlyWhenAskedAndClipsItAtTheEdges) {
    Paint([](int, int) { return 0x3366aau; });
    const struct { int px, py; bool draw; } cases[] = {{90, 70, true}, {90, 70, false}, {40, 30, true}, {139, 109, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.px) + "," + std::to_string(c.py) + (c.draw ? " drawn" : " not drawn"));
        Warp(c.px, c.py);
        auto g = Open(40, 30, 100, 80, {30, c.draw, false});
        ASSERT_TRUE(g);
        const FramePtr f = Grab(*g);
        // Xvfb's cursor is opaque black and white.
        const int black = 8000 - Wrong(f.get(), 40, 30, [](int, int) { return 0u; });
        const int white = 8000 - Wrong(f.get(), 40, 30, [](int, int) { return 0xffffffu; });
        EXPECT_EQ(black > 0 && white > 0, c.draw) << black << " black, " << white << " white";
        const auto near = [&](int x, int y) { return std::abs(x - c.px) < 32 && std::abs(y - c.py) < 32; };
        EXPECT_EQ(Wrong(f.get(), 40, 30, [&](int x, int y) { return near(x, y) ? At(f.get(), x - 40, y - 30) : 0x3366aau; }), 0)
            << "changed far from the pointer";
    }
}

// The segment behind a frame's pixels, as the preview finds it: its id from the process's map.
int SegmentOf(const uint8_t* p) {
    std::ifstream maps("/proc/self/maps");
    unsigned long b = 0, e = 0, inode = 0;
    for (std::string line; std::getline(maps, line);)
        if (std::sscanf(line.c_str(), "%lx-%lx %*s %*s %*s %lu", &b, &e, &inode) == 3 && uintptr_t(p) >= b && uintptr_t(p) < e)
            return int(inode);
    return -1;
}

TEST_F(X11ScreenGrabTest, SegmentsArePrivateReusedShownAndOutliveTheGrabber) {
    Paint(Pattern);
    auto g = Open(0, 0, 64, 48, {30, false, false});
    ASSERT_TRUE(g);
    FramePtr a = Grab(*g), b = Grab(*g);
    const uint8_t* first = a->data[0];
    EXPECT_NE(b->data[0], first);
    const int id = SegmentOf(first);
    shmid_ds ds{};
    ASSERT_EQ(shmctl(id, IPC_STAT, &ds), 0);
    EXPECT_EQ(ds.shm_perm.mode & 0777, 0600u);
    EXPECT_TRUE(ds.shm_perm.mode & SHM_DEST) << "not marked for removal";
    a.reset();
    FramePtr c = Grab(*g);
    EXPECT_EQ(c->data[0], first) << "a segment let go is used again";
    {
        pelta::DirectPreview preview(window_->Connection());
        EXPECT_TRUE(preview.Put(window_->Id(), {c->data[0], c->linesize[0], 64, 48}, 0, 0, 64, 48, 0, 0));
        std::vector<uint32_t> pattern;
        for (int i = 0; i < 64 * 48; ++i) pattern.push_back(Pattern(i % 64, i / 64));
        EXPECT_TRUE(window_->Pixels(window_->Id(), 64, 48) == pattern) << "as the preview shows it";
    }
    g.reset();
    EXPECT_EQ(Wrong(c.get(), 0, 0, Pattern) + Wrong(b.get(), 0, 0, Pattern), 0) << "after the grabber closed";
    c.reset(), b.reset();
    // The server lets go of it too, once it has read the detach or the connection's end.
    EXPECT_TRUE(pelta::test::WaitUntil([&] { return shmctl(id, IPC_STAT, &ds) != 0; }, 5000))
        << "the segment outlived its last frame";
}

TEST_F(X11ScreenGrabTest, KeepsItsScheduleAndStops) {
    auto g = Open(0, 0, 32, 32, {10, false, false});
    ASSERT_TRUE(g);
    FramePtr a = Grab(*g);
    // Late by several pictures: the next comes at once, the one after a whole picture later.
    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    FramePtr b = Grab(*g), c = Grab(*g);
    EXPECT_GE(c->pts - b->pts, 50000) << "the missed pictures were grabbed back to back";

    // Stopped while waiting a second for the next picture.
    auto slow = Open(0, 0, 32, 32, {1, false, false});
    ASSERT_TRUE(slow);
    FramePtr f = Grab(*slow);
    std::atomic<bool> stop{false};
    std::string why;
    auto waiting = std::async(std::launch::async, [&] { return slow->Grab(f.get(), stop, why); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = true;
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_EQ(waiting.get(), AVERROR_EXIT);
    EXPECT_FALSE(f->buf[0]);
}

TEST_F(X11ScreenGrabTest, ADisplayThatGoesAwayIsAnErrorNotAHang) {
    pelta::test::PrivateDisplay own("64x48x24");
    ASSERT_TRUE(own.Up());
    std::string why;
    auto g = X11ScreenGrab::Open({own.Name(), 0, 0, 32, 32}, {}, why);
    ASSERT_TRUE(g) << why;
    FramePtr held = Grab(*g), f(av_frame_alloc());
    own.Kill();
    // The server may take a moment to die; grabs meanwhile are fine.
    auto grabbing = std::async(std::launch::async, [&] {
        int rc = 0;
        for (int i = 0; i < 60 && rc == 0; ++i) rc = g->Grab(f.get(), std::atomic<bool>{false}, why);
        return rc;
    });
    ASSERT_EQ(grabbing.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const int rc = grabbing.get();
    EXPECT_TRUE(rc < 0 && rc != AVERROR_EXIT) << rc;
    EXPECT_NE(why.find("lost"), std::string::npos) << why;
    g.reset();
    held.reset();  // its segment is let go after the grabber, then the connection
}

}  // namespace
