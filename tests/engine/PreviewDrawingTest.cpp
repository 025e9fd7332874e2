// The preview's conversion (visible part only, no copy at 1:1) and its use of the X
// server's damage reports on a still screen.
#include "Frames.h"
#include "engine/CaptureEngine.h"
#include "engine/core/preview/PreviewConverter.h"
#include "engine/core/devices/ScreenDamage.h"
#include "support/MediaTest.h"
#include "support/Pump.h"
#include "support/ScreenCover.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <optional>

#include <cstdlib>

using namespace pelta;
using namespace pelta::engine;

namespace {

// BGR0 with each pixel's blue = x % 256 and green = y % 256, so positions can be read back.
pelta::test::FramePtr Gradient(int w, int h) {
    pelta::test::FramePtr f = pelta::test::BlankPicture(AV_PIX_FMT_BGR0, w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = f->data[0] + y * f->linesize[0];
        for (int x = 0; x < w; ++x) {
            row[4 * x] = uint8_t(x);
            row[4 * x + 1] = uint8_t(y);
            row[4 * x + 2] = 0x80;
            row[4 * x + 3] = 0;
        }
    }
    return f;
}

// Blue and green of the converted picture's pixel (x, y).
int Blue(const PreviewPicture& p, int x, int y) { return p.Pixels[y * p.Stride + 4 * x]; }
int Green(const PreviewPicture& p, int x, int y) { return p.Pixels[y * p.Stride + 4 * x + 1]; }

TEST(PreviewConverter, OneToOneShowsTheDevicesOwnBufferCutToTheWindow) {
    auto f = Gradient(1000, 800);
    PreviewConverter c;
    // 100 % in a 400x300 window: the picture is centred and reaches past every edge.
    const PictureRect r = PreviewRectFor(2, 1000, 800, 400, 300);
    PreviewPicture p = c.Convert(f.get(), r, 400, 300, 0);
    ASSERT_FALSE(p.IsNull());
    EXPECT_TRUE(p.ZeroCopy);
    EXPECT_EQ(p.Width, 400);
    EXPECT_EQ(p.Height, 300);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 0);
    // The window's top left pixel is the picture's (300, 250).
    EXPECT_EQ(Blue(p, 0, 0), 300 % 256);
    EXPECT_EQ(Green(p, 0, 0), 250);
    EXPECT_EQ(Blue(p, 399, 299), 699 % 256);
    // The picture holds its own reference: freeing the frame leaves it readable.
    f.reset();
    EXPECT_EQ(Green(p, 10, 10), 260 % 256);
}

TEST(PreviewConverter, EnlargedPicturesAreScaledOnlyWhereVisible) {
    const auto f = pelta::test::BlankPicture(AV_PIX_FMT_YUV420P, 640, 480);
    for (int p = 0; p < 3; ++p) {
        const int h = p ? 240 : 480;
        for (int y = 0; y < h; ++y) std::memset(f->data[p] + y * f->linesize[p], p ? 128 : 200, size_t(f->linesize[p]));
    }
    PreviewConverter c;
    // 200 % in a 320x240 window: 1280x960 would be scaled, but only about 1/16 of it shows.
    const PictureRect r = PreviewRectFor(5, 640, 480, 320, 240);
    PreviewPicture p = c.Convert(f.get(), r, 320, 240, 2);
    ASSERT_FALSE(p.IsNull());
    EXPECT_FALSE(p.ZeroCopy);
    EXPECT_LE(p.Width, 320 + 16);
    EXPECT_LE(p.Height, 240 + 4);
    // The picture covers the window from its position on.
    EXPECT_LE(p.X, 0);
    EXPECT_LE(p.Y, 0);
    EXPECT_GE(p.X + p.Width, 320);
    EXPECT_GE(p.Y + p.Height, 240);
    EXPECT_NEAR(Green(p, p.Width / 2, p.Height / 2), 200 * 255 / 235, 12);

    // Entirely outside the window: nothing to show.
    EXPECT_TRUE(c.Convert(f.get(), PictureRect{400, 0, 100, 100}, 320, 240, 2).IsNull());
}

TEST(PreviewConverter, ReusesItsPicturesOnceTheyAreNoLongerShown) {
    const auto f = pelta::test::BlankPicture(AV_PIX_FMT_YUV420P, 320, 240);
    PreviewConverter c;
    const PictureRect r{0, 0, 160, 120};
    const uint8_t* first = c.Convert(f.get(), r, 160, 120, 2).Pixels;
    // Nobody holds the first picture any more: the next conversion writes into it again.
    EXPECT_EQ(c.Convert(f.get(), r, 160, 120, 2).Pixels, first);
    // While one is held, another buffer is used and the held picture is left alone.
    PreviewPicture held = c.Convert(f.get(), r, 160, 120, 2);
    EXPECT_NE(c.Convert(f.get(), r, 160, 120, 2).Pixels, held.Pixels);
}

class StillScreen : public pelta::test::MediaTest {
protected:
    StillScreen() : MediaTest(pelta::test::Needs::Display) {}
    void Ready() override {
        display_ = std::getenv("DISPLAY");
        conn_ = xcb_connect(display_.c_str(), nullptr);
        ASSERT_FALSE(xcb_connection_has_error(conn_));
        cover_.emplace(conn_);
    }
    void TearDown() override {
        cover_.reset();
        if (conn_) xcb_disconnect(conn_);
    }
    void Sync() { cover_->Sync(); }
    void Fill(int16_t x, int16_t y, uint16_t w, uint16_t h, uint32_t colour) { cover_->Fill(x, y, w, h, colour); }
    std::string display_;
    xcb_connection_t* conn_ = nullptr;
    std::optional<pelta::test::ScreenCover> cover_;
};

TEST_F(StillScreen, DamageTellsWhatChangedInsideTheRegion) {
    ScreenDamage damage(display_, 100, 100, 400, 300);
    ASSERT_TRUE(damage.Working());
    ScreenDamage::Area area;
    EXPECT_TRUE(damage.TakeChanged(&area));  // the first answer is always "changed"
    EXPECT_EQ(area.Width, 400);
    EXPECT_FALSE(damage.TakeChanged(&area));

    Fill(150, 120, 20, 10, 0xff0000);
    Sync();
    ASSERT_TRUE(damage.TakeChanged(&area));
    // Relative to the region, and covering what was drawn.
    EXPECT_LE(area.X, 50);
    EXPECT_LE(area.Y, 20);
    EXPECT_GE(area.X + area.Width, 70);
    EXPECT_GE(area.Y + area.Height, 30);
    EXPECT_FALSE(damage.TakeChanged(&area));

    // Drawing outside the region is not a change of it.
    Fill(800, 600, 50, 50, 0x00ff00);
    Sync();
    EXPECT_FALSE(damage.TakeChanged(&area));
}

using pelta::test::Pump;

TEST_F(StillScreen, PreviewSkipsStillPicturesAndShowsChangesAtOnce) {
    CaptureEngine engine;
    pelta::test::PreviewScreen(engine, 320, 240);
    ASSERT_TRUE(pelta::test::PumpForPictures(engine));
    const int64_t skippedBefore = engine.PreviewPicturesSkipped();
    const int64_t shownBefore = engine.PreviewPicturesShown();
    pelta::test::PumpUntil([&] { return engine.PreviewPicturesSkipped() - skippedBefore > 8; });
    // Nothing moved: the pictures were read but not converted again.
    EXPECT_GT(engine.PreviewPicturesSkipped() - skippedBefore, 8);
    EXPECT_LE(engine.PreviewPicturesShown() - shownBefore, 1);

    // Paint the middle of the screen red: the preview (100 %, centred) shows it. (The
    // pointer rests at the very centre and is drawn into the picture, so look beside it.)
    const int cx = cover_->Width() / 2, cy = cover_->Height() / 2;
    Fill(int16_t(cx - 80), int16_t(cy - 80), 160, 160, 0xff0000);
    // Waits for the next picture shown (a slow machine or a sanitizer build may take long).
    const auto waitShown = [&](int64_t than) {
        pelta::test::PumpUntil([&] { return engine.PreviewPicturesShown() > than; }, 5000);
        Pump(100);  // and for its repaint
    };
    waitShown(shownBefore);
    EXPECT_GT(engine.PreviewPicturesShown(), shownBefore);
    const QImage shot = engine.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(200, 150)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(shot.pixel(20, 20)), QColor(0, 0, 0));

    // A new fit draws again even though the screen is still.
    const int64_t shown = engine.PreviewPicturesShown();
    engine.SetPreviewFit(0);
    waitShown(shown);
    EXPECT_GT(engine.PreviewPicturesShown(), shown);
}

TEST(PreviewDevices, NoneBlanksThePreviewAndTheTestPatternKeepsItsSize) {
    CaptureEngine engine;
    engine.resize(320, 240);
    engine.show();
    DeviceList& v = engine.VideoInputs();
    const int32_t pattern = v.Count() - 1;
    ASSERT_EQ(v.Item(pattern).DisplayName, "Test Pattern");
    v.SetSelected(pattern);
    engine.VideoSizeList().SetSelected(2);
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(true);
    ASSERT_TRUE(pelta::test::PumpUntil([&] { return !engine.PreviewImage().isNull(); }, 5000))
        << "the test pattern showed no picture";

    v.SetSelected(-1);  // Video Device "None"
    EXPECT_TRUE(pelta::test::PumpUntil([&] { return engine.PreviewImage().isNull(); }));
    const QImage shot = engine.grab().toImage();
    for (const QPoint p : {QPoint(160, 120), QPoint(40, 40), QPoint(300, 220)})
        EXPECT_EQ(QColor(shot.pixel(p)), QColor(0, 0, 0)) << p.x() << "," << p.y();

    // Chosen again, the pattern opens at the size it had, as it does at the rate it had.
    v.SetSelected(pattern);
    EXPECT_EQ(engine.VideoSizeList().Selected(), 2);
}

}  // namespace
