// Drawing at the device pixel ratio the program runs at. ctest runs this program twice:
// as it is (ratio 1) and with QT_SCALE_FACTOR=2. Every expectation is in physical pixels,
// so the same cases hold at both ratios.
#include "controls/ButtonSkin.h"
#include "controls/xpcmdbutton.h"
#include "engine/CaptureEngine.h"
#include "infowindows/Logo.h"
#include "infowindows/Register.h"
#include "support/MainWindowFixture.h"
#include "support/Pump.h"
#include "support/MediaTest.h"
#include "support/ScreenCover.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QSet>

#include <cstdlib>
#include <optional>

using namespace pelta;
using namespace pelta::engine;

namespace {

qreal Ratio() { return qApp->devicePixelRatio(); }

// What this run is about: a test run asked for scale 2 must really get it.
TEST(HighDpi, RunsAtTheRequestedScale) {
    const QByteArray asked = qgetenv("QT_SCALE_FACTOR");
    EXPECT_DOUBLE_EQ(Ratio(), asked.isEmpty() ? 1.0 : asked.toDouble());
}

// A screen pattern where every pixel differs from its neighbours: any enlargement or
// smoothing of the picture shows up as a wrong pixel.
QRgb Pattern(int x, int y) { return qRgb(x % 2 ? 250 : 10, y % 2 ? 240 : 20, (x / 2 + y / 2) % 2 ? 200 : 60); }

class ScreenPreview : public test::MediaTest {
protected:
    ScreenPreview() : MediaTest(test::Needs::Display) {}
    // One connection for the whole suite: the X server resets when its last client leaves,
    // and would refuse the next test's connection meanwhile.
    static void SetUpTestSuite() {
        if (test::StartMediaServices().XvfbUp) conn_ = xcb_connect(std::getenv("DISPLAY"), nullptr);
    }
    static void TearDownTestSuite() {
        if (conn_) xcb_disconnect(conn_);
        conn_ = nullptr;
    }
    void Ready() override {
        ASSERT_FALSE(xcb_connection_has_error(conn_));
        cover_.emplace(conn_);
        W = cover_->Width();
        H = cover_->Height();
        // The pointer is drawn into screen pictures: keep it in a corner, away from the middle.
        xcb_warp_pointer(conn_, XCB_NONE, cover_->screen->root, 0, 0, 0, 0, 0, 0);
        // The middle 800 x 600 of the screen carries the pattern, in bands that fit a request.
        std::vector<uint32_t> band(800 * 40);
        for (int y0 = 0; y0 < 600; y0 += 40) {
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 800; ++x)
                    band[size_t(y * 800 + x)] = Pattern(W / 2 - 400 + x, H / 2 - 300 + y0 + y) & 0xffffff;
            xcb_put_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, cover_->window, cover_->gc, 800, 40, int16_t(W / 2 - 400),
                          int16_t(H / 2 - 300 + y0), 0, 24, uint32_t(band.size() * 4),
                          reinterpret_cast<const uint8_t*>(band.data()));
        }
        cover_->Sync();
    }
    void TearDown() override { cover_.reset(); }
    // Pumps events until a new picture has been drawn (the bound is a hang guard only).
    static void NextPicture(CaptureEngine& engine) {
        const int64_t shown = engine.PreviewPicturesShown();
        test::PumpUntil([&] { return engine.PreviewPicturesShown() != shown; }, 15000);
        test::Pump(100);
    }
    static xcb_connection_t* conn_;
    std::optional<test::ScreenCover> cover_;
    int W = 0, H = 0;
};
xcb_connection_t* ScreenPreview::conn_ = nullptr;

TEST_F(ScreenPreview, At100PercentEachScreenPixelIsOneDevicePixel) {
    CaptureEngine engine;
    test::PreviewScreen(engine, 320, 240);
    NextPicture(engine);
    const QImage shot = engine.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QSize physical(qRound(320 * Ratio()), qRound(240 * Ratio()));
    ASSERT_EQ(shot.size(), physical);
    // Centred: the shot's top left pixel is the screen's (W - physical width) / 2, ...
    const int x0 = (W - physical.width()) / 2, y0 = (H - physical.height()) / 2;
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            wrong += (shot.pixel(x, y) & 0xffffff) != (Pattern(x0 + x, y0 + y) & 0xffffff);
    EXPECT_EQ(wrong, 0) << "of " << shot.width() * shot.height() << " pixels";
}

TEST_F(ScreenPreview, FitAndStretchFillThePhysicalSurface) {
    CaptureEngine engine;
    test::PreviewScreen(engine, 320, 240);
    const int pw = qRound(320 * Ratio()), ph = qRound(240 * Ratio());
    struct Case {
        int fit;
        QRect picture;  // in physical pixels
    };
    const Case cases[] = {
        {0, {0, (ph - pw * H / W) / 2, pw, pw * H / W}},  // fit: full width, the screen's shape
        {1, {0, 0, pw, ph}},                               // stretch
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fit);
        engine.SetPreviewFit(c.fit);
        const auto drawn = [&] {
            const PictureRect r = engine.PictureRectNow();
            return QRect(r.X, r.Y, r.Width, r.Height);
        };
        test::PumpUntil([&] { return drawn() == c.picture; }, 15000);
        test::Pump(100);
        EXPECT_EQ(drawn(), c.picture);
        // The scaled picture is made at the physical size and drawn without a second scaling.
        const QImage made = engine.PreviewImage().convertToFormat(QImage::Format_RGB32);
        const QImage shot = engine.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(made.size(), c.picture.size());
        EXPECT_EQ(shot.copy(c.picture), made);
    }
}

TEST(HighDpi, SkinnedButtonIsDrawnSharp) {
    QWidget host;
    host.resize(200, 80);
    auto* b = new xpcmdbutton(&host, QStringLiteral("btnOK"));
    b->setGeometry(10, 10, 75, 23);
    host.show();
    const qreal dpr = Ratio();
    const QImage shot = b->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shot.size(), QSize(qRound(75 * dpr), qRound(23 * dpr)));
    // The skin cell's opaque colours; a sharp drawing of it uses no others.
    const QImage cell = ButtonSkinCell(SkinCell::Normal);
    QSet<QRgb> colours;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            if (qAlpha(cell.pixel(x, y)) == 255) colours.insert(cell.pixel(x, y));
    const QRect caption(b->CaptionLabel()->geometry().topLeft() * dpr, b->CaptionLabel()->size() * dpr);
    int blended = 0;
    // Corners hold the skin's half-transparent pixels; the caption is text. The rest is skin.
    for (int y = qCeil(3 * dpr); y < shot.height() - qCeil(3 * dpr); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!caption.adjusted(-1, -1, 1, 1).contains(x, y) && !colours.contains(shot.pixel(x, y))) ++blended;
    EXPECT_EQ(blended, 0);
}

TEST(HighDpi, SplashLogoIsPaintedAtThePhysicalResolution) {
    test::TempConfigHome home;
    test::ScriptableEngine* engine = nullptr;
    Register splash(test::ScriptableFactory(&engine));
    splash.show();
    QWidget* logo = splash.findChild<QWidget*>(QStringLiteral("Image3"));
    ASSERT_NE(logo, nullptr);
    const qreal dpr = Ratio();
    const QImage shot = logo->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(shot.size(), logo->size() * dpr);
    // The same drawing made straight at the physical size: equal to the last pixel. A
    // picture drawn at 1x and enlarged would differ along every edge.
    QImage expected(shot.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    expected.setDevicePixelRatio(dpr);
    {
        QPainter p(&expected);
        PaintLogo(p, QRectF(logo->rect()).adjusted(4, 4, -4, -4));
    }
    expected.setDevicePixelRatio(1);
    // Where the logo covers the ground (the shot holds the panel's gradient around it).
    int covered = 0, differ = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            if (qAlpha(expected.pixel(x, y)) != 255) continue;
            ++covered;
            differ += shot.pixel(x, y) != expected.pixel(x, y);
        }
    EXPECT_GT(covered, shot.width() * shot.height() / 2);
    EXPECT_EQ(differ, 0);
}

}  // namespace
