// The preview drawn straight from shared memory into the window: the right pixels land in
// the right place, pictures elsewhere are refused, and the window stays right when Qt shows
// its own (older) backing store again.
#include "X11Window.h"
#include "engine/CaptureEngine.h"
#include "engine/DirectPreview.h"
#include "engine/core/devices/SourceSettings.h"
#include "support/Pump.h"
#include "support/MediaTest.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/shm.h>
#include <vector>

namespace {

using pelta::test::X11Window;

// A picture in a System V segment, as a screen grab leaves it.
struct SharedPicture {
    int Id = -1;
    uint8_t* Base = nullptr;
    explicit SharedPicture(size_t bytes, void* at = nullptr) {
        Id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (Id < 0) return;
        void* p = shmat(Id, at, 0);
        shmctl(Id, IPC_RMID, nullptr);
        Base = p == reinterpret_cast<void*>(-1) ? nullptr : static_cast<uint8_t*>(p);
    }
    ~SharedPicture() { Free(); }
    void Free() {
        if (Base) shmdt(Base);
        Base = nullptr;
    }
};

class DirectPreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        services_ = &pelta::test::StartMediaServices();
        // The X server starts afresh, refusing connections a while, when its last client
        // leaves; one stays connected between the cases.
        keeper_ = xcb_connect(nullptr, nullptr);
    }
    static void TearDownTestSuite() { xcb_disconnect(keeper_); }
    void SetUp() override {
        PELTA_NEEDS_SERVICE(services_->XvfbUp, "the private display (Xvfb)");
    }
    static const pelta::test::MediaServices* services_;
    static xcb_connection_t* keeper_;
};
const pelta::test::MediaServices* DirectPreviewTest::services_ = nullptr;
xcb_connection_t* DirectPreviewTest::keeper_ = nullptr;

// Each case draws a part of a 40x30 picture (stride 50 pixels, starting `offset` bytes into
// its segment) into a black 64x48 window at (10, 5), and reads the window back.
TEST_F(DirectPreviewTest, DrawsExactlyThePartAskedForFromWhereThePictureLies) {
    struct Case {
        const char* name;
        size_t offset;
        int x, y, w, h;
    } cases[] = {
        {"whole picture", 0, 0, 0, 40, 30},
        {"a part inside", 0, 7, 3, 11, 9},
        {"a part reaching past the picture", 0, 30, 20, 40, 40},
        {"picture cut out of a larger one", 50 * 4 * 6 + 4 * 8, 2, 2, 20, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        X11Window window(0, 0, 64, 48, 0);
        ASSERT_TRUE(window.Ok());
        pelta::DirectPreview direct(window.Connection());
        ASSERT_TRUE(direct.Available());
        const int stride = 50 * 4;
        SharedPicture shared(c.offset + stride * 30);
        ASSERT_NE(shared.Base, nullptr);
        uint8_t* pic = shared.Base + c.offset;
        const auto colour = [](int x, int y) { return 0x010000u * uint32_t(x * 6) + 0x0100u * uint32_t(y * 8) + 0x55u; };
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint32_t v = colour(x, y);
                std::memcpy(pic + y * stride + x * 4, &v, 4);
            }
        ASSERT_TRUE(direct.Put(window.Id(), {pic, stride, 40, 30}, c.x, c.y, c.w, c.h, 10, 5));
        window.Sync();
        const std::vector<uint32_t> shown = window.Pixels(window.Id(), 64, 48);
        ASSERT_EQ(shown.size(), 64u * 48u);
        int wrong = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const int px = x - 10, py = y - 5;
                const bool inside = px >= c.x && py >= c.y && px < c.x + c.w && py < c.y + c.h && px < 40 && py < 30;
                wrong += shown[size_t(y * 64 + x)] != (inside ? colour(px, py) : 0);
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(DirectPreviewTest, RefusesPicturesOutsideSharedMemoryAndFollowsAReplacedSegment) {
    X11Window window(0, 0, 16, 16, 0);
    ASSERT_TRUE(window.Ok());
    pelta::DirectPreview direct(window.Connection());
    const auto shown = [&] {
        window.Sync();
        return window.Pixels(window.Id(), 16, 16);
    };
    // A 16x16 picture at `base` (rows 64 bytes apart: one after the other), painted `colour`, drawn whole.
    const auto put = [&](uint8_t* base, uint32_t colour) {
        for (int i = 0; i < 256; ++i) std::memcpy(base + 4 * i, &colour, 4);
        return direct.Put(window.Id(), {base, 64, 16, 16}, 0, 0, 16, 16, 0, 0);
    };
    // Ordinary memory: the caller must draw it itself, and nothing is drawn.
    std::vector<uint8_t> plain(16 * 16 * 4, 0xff);
    EXPECT_FALSE(direct.Put(window.Id(), {plain.data(), 64, 16, 16}, 0, 0, 16, 16, 0, 0));
    // A picture past its segment's end is refused too.
    auto small = std::make_unique<SharedPicture>(4096);
    ASSERT_NE(small->Base, nullptr);
    EXPECT_FALSE(direct.Put(window.Id(), {small->Base, 64, 16, 100}, 0, 0, 16, 16, 0, 0));
    EXPECT_EQ(shown(), std::vector<uint32_t>(256, 0));

    // A grabbing device that closes frees its segments, and the next may land at the same
    // address: the new one's pixels are shown, not the freed one's.
    ASSERT_TRUE(put(small->Base, 0x00102030));
    EXPECT_EQ(shown(), std::vector<uint32_t>(256, 0x102030));
    void* at = small->Base;
    small->Free();
    SharedPicture again(4096, at);
    ASSERT_EQ(static_cast<void*>(again.Base), at);
    ASSERT_TRUE(put(again.Base, 0x00a0b0c0));
    EXPECT_EQ(shown(), std::vector<uint32_t>(256, 0xa0b0c0));
}

// ---- the engine's preview on a real X11 window ----------------------------------------------
// The test program runs on Qt's offscreen platform; this part needs Qt's X11 one, so the
// test runs the program again on it, for the case below alone.

constexpr const char* kChildVariable = "PELTA_DIRECT_PREVIEW_CHILD";

using pelta::test::PumpUntil;

bool AllEqual(const std::vector<uint32_t>& pixels, uint32_t colour) {
    if (pixels.empty()) return false;
    for (uint32_t p : pixels)
        if (p != colour) return false;
    return true;
}

// Disabled in ordinary runs: WindowOnX11 runs it in a child on Qt's X11 platform.
TEST(DirectPreviewWindow, DISABLED_StaysRightWhenUncoveredResizedAndChanged) {
    if (!std::getenv(kChildVariable)) GTEST_SKIP() << "runs within DirectPreviewTest.WindowOnX11";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The captured region, 320x240 at the top left, in one colour; the preview beside it.
    X11Window screen(0, 0, 320, 240, 0x3080c0);
    ASSERT_TRUE(screen.Ok());
    pelta::CaptureEngine engine;
    engine.setGeometry(700, 0, 320, 240);
    engine.show();
    // Shown first: a picture that comes before the window is, is drawn through Qt, and a
    // still screen sends no other.
    ASSERT_TRUE(PumpUntil([&] { return engine.windowHandle() && engine.windowHandle()->isExposed(); }, 10000));
    pelta::engine::EngineCore& core = engine.Core();
    core.VideoInputs().SetSelected(0);
    pelta::engine::VideoSourceSettings grab = core.VideoSettings();
    grab.FrameRate = 30;
    grab.RegionX = grab.RegionY = 0;
    grab.RegionWidth = 320;
    grab.RegionHeight = 240;
    grab.DrawCursor = false;
    core.SetVideoSettings(grab);
    engine.SetPreviewFit(2);  // 100 %
    engine.SetPreviewOn(true);
    const auto win = xcb_window_t(engine.winId());
    auto shows = [&](uint32_t colour, int w, int h) {
        return PumpUntil([&] { return AllEqual(screen.Pixels(win, w, h), colour); }, 10000);
    };
    ASSERT_TRUE(shows(0x3080c0, 320, 240));
    EXPECT_GT(engine.PreviewPicturesDirect(), 0);

    // Covered by another window and uncovered: the screen is still, so no new picture comes;
    // what Qt shows again must be the picture, not what its backing store held before.
    {
        X11Window cover(650, 0, 500, 300, 0xff00ff);
        pelta::test::Pump(200);
    }
    EXPECT_TRUE(shows(0x3080c0, 320, 240)) << "after being uncovered";

    // A change on screen reaches the window, then the window is uncovered again.
    screen.Fill(0x20c040);
    EXPECT_TRUE(shows(0x20c040, 320, 240)) << "after a change";
    {
        X11Window cover(800, 100, 100, 100, 0xff00ff);
        pelta::test::Pump(200);
    }
    EXPECT_TRUE(shows(0x20c040, 320, 240)) << "after being uncovered in part";

    // Larger than the picture: the picture in the middle, black around it.
    engine.resize(360, 280);
    EXPECT_TRUE(PumpUntil(
        [&] {
            const std::vector<uint32_t> p = screen.Pixels(win, 360, 280);
            return p.size() == 360u * 280u && p[0] == 0 && p[size_t(140 * 360 + 180)] == 0x20c040;
        },
        10000))
        << "after a resize";
    engine.hide();
}

TEST_F(DirectPreviewTest, WindowOnX11) {
    if (std::getenv(kChildVariable)) GTEST_SKIP();
    const std::string command = std::string(kChildVariable) + "=1 QT_QPA_PLATFORM=xcb /proc/" +
                                std::to_string(getpid()) +
                                "/exe --gtest_also_run_disabled_tests --gtest_filter=DirectPreviewWindow.* 2>&1";
    FILE* child = popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char buf[512];
    while (std::fgets(buf, sizeof buf, child)) output += buf;
    const int status = pclose(child);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("[  SKIPPED ]"), std::string::npos) << output;
    EXPECT_NE(output.find("[       OK ] DirectPreviewWindow."), std::string::npos) << output;
}

}  // namespace
