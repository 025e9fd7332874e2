// The screen of a Wayland desktop, read through the desktop portal and PipeWire, on a real
// headless desktop (sway, PipeWire, xdg-desktop-portal with its wlroots backend).
#include "EngineTest.h"
#include "engine/core/devices/Devices.h"
#include "engine/core/devices/wayland/PortalScreenSource.h"
#include "engine/core/devices/wayland/ScreenCastShare.h"
#include "engine/dialogs/VideoSourceDialog.h"
#include "infowindows/Logo.h"
#include "mainwindow/MainFrm.h"
#include "menus/OptionsMenus.h"
#include "support/ScriptedPrompts.h"
#include "support/Pump.h"
#include "support/Services.h"
#include "support/TempFiles.h"
#include "support/WaylandSession.h"
#include "RecordProbe.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <tuple>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Pump;
using pelta::test::PumpUntil;
using pelta::test::WaylandDesktop;

namespace {

// The desktop's colours: the wallpaper, and the clock terminal's background.
const QColor kWallpaper(0x20, 0x40, 0x80);
const QColor kClock(0xc0, 0x30, 0x30);
const QColor kGreen(0x30, 0xa0, 0x50);  // the second output's wallpaper

// Whether `a` is within `tolerance` of `b` in every channel; a failure names both colours.
::testing::AssertionResult Near(const QColor& a, const QColor& b, int tolerance = 12) {
    if (std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
        std::abs(a.blue() - b.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a.name().toStdString() << " is not near " << b.name().toStdString();
}

// A 640x360 picture of the desktop with the clock running: wallpaper at the lower right, the
// clock terminal's background left of the middle.
void ExpectDesktopWithClock(const QImage& img) {
    EXPECT_TRUE(Near(img.pixelColor(600, 340), kWallpaper));
    EXPECT_TRUE(Near(img.pixelColor(300, 160), kClock));
}

// Every picture of a file's video.
std::vector<QImage> DecodePictures(const std::string& path) {
    std::vector<QImage> out;
    pelta::test::ForEachPicture(path, [&](const AVFrame* f) {
        out.push_back(QImage(f->data[0], f->width, f->height, f->linesize[0], QImage::Format_BGR888).copy());
    });
    return out;
}

// How many pictures differ from the one before inside `area` (a null area: anywhere).
int Changes(const std::vector<QImage>& pictures, const QRect& area = {}) {
    int changes = 0;
    for (size_t i = 1; i < pictures.size(); ++i)
        changes += area.isNull() ? pictures[i] != pictures[i - 1]
                                 : pictures[i].copy(area) != pictures[i - 1].copy(area);
    return changes;
}

// Texts another thread hands over, read under their lock.
struct Heard {
    void Add(const std::string& text) {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(mutex_);
        return texts_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

// The engine is made by each test, on the desktop it has entered; an X server runs beside
// the desktop, as XWayland would.
class WaylandScreen : public pelta::test::EngineTest {
protected:
    WaylandScreen() : EngineTest(pelta::test::Needs::Nothing) {}
    static void SetUpTestSuite() {
        EngineTest::SetUpTestSuite();
        desktop_ = &WaylandDesktop::Shared();
    }
    void Ready() override {
        ASSERT_TRUE(desktop_->Up()) << desktop_->Why();
        desktop_->Enter();
        std::error_code ec;
        std::filesystem::remove(PortalStatePath(), ec);
        desktop_->SetChooserAnswer("HEADLESS-1");
    }
    void TearDown() override {
        engine_.reset();
        desktop_->StopClients();
        desktop_->Leave();
    }
    // A new engine on its first video device, which must be the portal's screen.
    void SelectPortal() {
        engine_ = std::make_unique<CaptureEngine>();
        engine_->SetEventSink(&events_);
        ASSERT_GE(engine_->VideoInputs().Count(), 1);
        ASSERT_EQ(engine_->VideoInputs().Item(0).DisplayName, kPortalScreenName);
        engine_->VideoInputs().SetSelected(0);
    }
    // An engine on the portal's screen at 640x360 (half the desktop's size), with the clock
    // terminal started first when `clock`.
    void OpenEngine(bool clock = false) {
        ASSERT_TRUE(!clock || desktop_->StartClock("c03030"));
        ASSERT_NO_FATAL_FAILURE(SelectPortal());
        const auto& sizes = engine_->Core().SelectedVideoDevice()->Sizes;
        for (size_t i = 0; i < sizes.size(); ++i)
            if (sizes[i].Width == 640 && sizes[i].Height == 360) engine_->VideoSizeList().SetSelected(int32_t(i));
        test::Settle(*engine_);
        ASSERT_EQ(engine_->Core().CurrentVideoFormat().Width, 640);
    }
    void StartCapture(const char* name, double limitSeconds) {
        events_ = {};
        engine_->SetFrameRateOn(true);
        engine_->SetFrameRateValue(10);
        Begin(name, OutputFormat::Avi, CaptureMode::VideoOnly, limitSeconds);
    }
    // A capture of `seconds` at 10 pictures a second, read back: a whole file of the size
    // asked, ended by its limit without an error.
    pelta::test::Probe CaptureFor(const char* name, double seconds) {
        StartCapture(name, seconds);
        EXPECT_TRUE(PumpUntil([&] { return events_.ended > 0; }, 15000));
        EXPECT_TRUE(events_.errors.empty());
        const pelta::test::Probe p = pelta::test::ProbeFile(Path(name));
        EXPECT_TRUE(p.ok && p.readToEnd);
        EXPECT_EQ(std::pair(p.width, p.height), std::pair(640, 360));
        return p;
    }
    // The desktop ends the sharing while a capture runs: error 4, and a finished file with
    // every picture captured.
    void ExpectSharingEndedMidCapture(const char* name) {
        StartCapture(name, 0);
        ASSERT_TRUE(PumpUntil([&] { return engine_->FramesCaptured() >= 5; }, 10000));
        ASSERT_TRUE(desktop_->RestartPortalBackend());
        ASSERT_TRUE(PumpUntil([&] { return events_.ended > 0; }, 10000));
        ASSERT_EQ(events_.errors, std::vector<int32_t>{4});
        const pelta::test::Probe p = pelta::test::ProbeFile(Path(name));
        ASSERT_TRUE(p.ok);
        EXPECT_TRUE(p.readToEnd);
        EXPECT_GE(p.videoFrames, 5);
        EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    }
    // A second output, 800x600 and green, right of the first.
    void AddSecondOutput() {
        const std::string list = "swaymsg -s '" + std::string(std::getenv("SWAYSOCK")) +
                                 "' -t get_outputs | grep -q HEADLESS-2";
        ASSERT_TRUE(std::system(list.c_str()) == 0 || desktop_->Sway("create_output"));
        ASSERT_TRUE(desktop_->Sway("output HEADLESS-2 resolution 800x600 position 1280 0 bg " +
                                   kGreen.name().toStdString() + " solid_color"));
    }
    // wlroots sends a new stream its first picture only when the output next changes (a
    // still screen sends nothing), and a new output may be seen before its wallpaper is
    // drawn: the wallpaper is drawn again until the middle of the picture shows it.
    bool WaitForWallpaper(const std::string& output, const QColor& wallpaper) {
        for (int i = 0; i < 20; ++i) {
            if (PumpUntil([&] { return Near(LatestColourAt(0.5, 0.5), wallpaper); }, 500)) return true;
            desktop_->Sway("output " + output + " bg " + wallpaper.name().toStdString() + " solid_color");
        }
        return false;
    }
    // The newest picture of the stream (BGR0 bytes are RGB32 on a little-endian machine).
    QImage Latest() {
        AVFrame* f = engine_->Core().LatestVideoFrame();
        if (!f) return {};
        QImage img = QImage(f->data[0], f->width, f->height, f->linesize[0], QImage::Format_RGB32).copy();
        av_frame_free(&f);
        return img;
    }
    QColor LatestColourAt(double fx, double fy) {
        const QImage img = Latest();
        return img.isNull() ? QColor() : img.pixelColor(int(fx * img.width()), int(fy * img.height()));
    }

    static WaylandDesktop* desktop_;
};
WaylandDesktop* WaylandScreen::desktop_ = nullptr;

// The portal's screen takes the X screens' place in a Wayland session whose bus has the
// portal. Where the bus has none, the X screen XWayland offers says it sees only X programs.
TEST_F(WaylandScreen, PortalScreenReplacesTheXScreensOnlyInAWaylandSessionWithAPortal) {
    struct Case {
        const char* name;
        bool waylandDisplay;
        const char* sessionType;
        bool portalOnBus;
    };
    // A bus of its own that can start nothing: no portal comes up on it.
    const pelta::test::BareSessionBus bare;
    ASSERT_TRUE(bare.Up());
    const std::string display = std::getenv("WAYLAND_DISPLAY"), bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    for (const Case& c : {Case{"wayland display", true, "", true}, Case{"session type only", false, "wayland", true},
                          Case{"x11 session", false, "x11", true}, Case{"no portal", true, "", false}}) {
        SCOPED_TRACE(c.name);
        const pelta::test::ScopedEnv wl("WAYLAND_DISPLAY", c.waylandDisplay ? std::optional(display) : std::nullopt);
        const pelta::test::ScopedEnv type("XDG_SESSION_TYPE", c.sessionType);
        const pelta::test::ScopedEnv dbus("DBUS_SESSION_BUS_ADDRESS", c.portalOnBus ? bus : bare.Address());
        const bool wayland = c.waylandDisplay || std::string(c.sessionType) == "wayland";
        const bool portal = wayland && c.portalOnBus;
        const std::vector<DeviceInfo> video = DiscoverVideoDevices();
        EXPECT_EQ(ScreenPortalMissing(), wayland && !portal);
        int portals = 0, xScreens = 0;
        for (const auto& d : video) {
            portals += d.DisplayName == kPortalScreenName;
            if (d.InputFormat != "x11grab") continue;
            ++xScreens;  // the test's Xvfb (DISPLAY is set throughout), standing in for XWayland
            EXPECT_EQ(d.DisplayName.ends_with(kXWaylandMark), wayland) << d.DisplayName;
        }
        EXPECT_EQ(portals, portal ? 1 : 0);
        EXPECT_EQ(xScreens, portal ? 0 : 1);
        if (portal) {
            EXPECT_EQ(video.front().DisplayName, kPortalScreenName);
            // The output's own size heads the size list when a compositor answers.
            if (c.waylandDisplay) {
                EXPECT_EQ(std::pair(video.front().Sizes.front().Width, video.front().Sizes.front().Height),
                          std::pair(1280, 720));
            }
        }
    }
}

// Without a portal the video device menu keeps the portal's screen, disabled, with what to
// install, said once in the status bar too.
TEST_F(WaylandScreen, WithoutAPortalTheScreenEntryStaysDisabledAndSaysWhatToInstall) {
    const pelta::test::BareSessionBus bare;
    ASSERT_TRUE(bare.Up());
    const pelta::test::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", bare.Address());
    pelta::test::TempConfigHome home;
    MainFrm main;
    main.Load();
    QAction* screen = main.Options().MissingPortalScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->text(), QString::fromUtf8(kPortalScreenName));
    EXPECT_FALSE(screen->isEnabled());
    EXPECT_EQ(screen->toolTip(), OptionsMenus::MissingPortalText());
    EXPECT_TRUE(screen->toolTip().contains(QStringLiteral("xdg-desktop-portal")));
    EXPECT_TRUE(main.Menus().menuOptionsVideoDevice.Menu->actions().contains(screen));
    EXPECT_EQ(main.PanelText(1), OptionsMenus::MissingPortalText());
    // The menu status, run after every command, leaves it disabled; the text is not said again.
    main.Options().UpdateMenuStatus();
    EXPECT_FALSE(screen->isEnabled());
    main.SetPanelText(1, QStringLiteral("Ready"));
    main.Options().WriteDeviceStatus();
    EXPECT_EQ(main.PanelText(1), QStringLiteral("Ready"));
}

// Then the desktop ends the sharing in the middle of a second capture.
TEST_F(WaylandScreen, CaptureHoldsTheDesktopAtTheRateAndSizeAskedUntilTheDesktopEndsTheSharing) {
    OpenEngine(true);
    const pelta::test::Probe p = CaptureFor("desktop.avi", 3.0);
    EXPECT_EQ(av_q2d(p.videoRate), 10.0);
    // Three seconds at 10 per second, each slot its own picture or a counted drop: a screen
    // that changes only in places still fills its slots (the repeats are no drops), though a
    // busy machine may drop a few.
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_EQ(engine_->FramesCaptured() + engine_->FramesDropped(), 30);
    EXPECT_GE(engine_->FramesCaptured(), 24);

    const std::vector<QImage> pictures = DecodePictures(Path("desktop.avi"));
    ASSERT_EQ(int64_t(pictures.size()), p.videoFrames);
    for (size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectDesktopWithClock(pictures[i]);
    }
    // The clock ticks every 50 ms: its changes reach the file while it records, not one
    // frozen picture (how many depends on how busy the machine is).
    EXPECT_GE(Changes(pictures, QRect(0, 0, 200, 20)), 3);
    ExpectSharingEndedMidCapture("cut.avi");
}

TEST_F(WaylandScreen, TheGrantIsRestoredNextTimeWithoutAskingAgain) {
    AddSecondOutput();
    const int askedBefore = desktop_->ChooserAsked();
    // The second run of the program: the chooser would now pick the first output, but is not
    // asked; the same (second) output comes back.
    for (const char* answer : {"HEADLESS-2", "HEADLESS-1"}) {
        SCOPED_TRACE(answer);
        desktop_->SetChooserAnswer(answer);
        OpenEngine();
        EXPECT_TRUE(WaitForWallpaper("HEADLESS-2", kGreen)) << LatestColourAt(0.5, 0.5).name().toStdString();
        EXPECT_EQ(desktop_->ChooserAsked(), askedBefore + 1);
        EXPECT_FALSE(LoadRestoreToken().empty());
        engine_.reset();
    }
}

TEST_F(WaylandScreen, ACancelledChoiceIsARefusalWithItsReason) {
    desktop_->SetChooserAnswer("");
    ASSERT_NO_FATAL_FAILURE(SelectPortal());
    ASSERT_TRUE(PumpUntil([&] { return !events_.settled.empty(); }));
    EXPECT_NE(events_.settled[0].find("cancelled"), std::string::npos) << events_.settled[0];
    EXPECT_FALSE(engine_->Core().HasVideo());
    EXPECT_EQ(engine_->VideoInputs().Selected(), -1);  // the choice in use again: none
}

// At start-up the program holds its screen requests until its main window is up: opening
// the device then asks the desktop nothing; the release asks, and a refusal nobody waits for
// reaches the listener with the desktop's reason.
TEST_F(WaylandScreen, HeldRequestsAskTheDesktopOnlyWhenReleasedAndARefusalThenIsTold) {
    Heard told;
    ScreenCastShare::SetRefusalListener([&told](const std::string& why) { told.Add(why); });
    struct Reset {
        ~Reset() {
            ScreenCastShare::ReleaseRequests();
            ScreenCastShare::SetRefusalListener({});
        }
    } reset;
    const int askedBefore = desktop_->ChooserAsked();
    ScreenCastShare::HoldRequests();
    OpenEngine();  // opens at once, asking nothing
    EXPECT_EQ(desktop_->ChooserAsked(), askedBefore);
    ScreenCastShare::ReleaseRequests();
    EXPECT_TRUE(WaitForWallpaper("HEADLESS-1", kWallpaper));
    EXPECT_EQ(desktop_->ChooserAsked(), askedBefore + 1);
    engine_.reset();
    ScreenCastShare::DropKept();

    // Held again, and this time the user cancels once asked.
    std::error_code ec;
    std::filesystem::remove(PortalStatePath(), ec);
    desktop_->SetChooserAnswer("");
    ScreenCastShare::HoldRequests();
    ASSERT_NO_FATAL_FAILURE(SelectPortal());
    test::Settle(*engine_);  // opened while held: no refusal yet, nothing was asked
    ScreenCastShare::ReleaseRequests();
    ASSERT_TRUE(PumpUntil([&] { return !told.Texts().empty(); }, 10000));
    const std::vector<std::string> why = told.Texts();
    ASSERT_EQ(why.size(), 1u);
    EXPECT_NE(why[0].find("cancelled"), std::string::npos) << why[0];
}

// Notes the video sources the hub reports lost.
struct LostWatch final : FrameListener, Heard {
    void OnVideoFrame(const AVFrame*, AVRational) override {}
    void OnAudioFrame(const AVFrame*, AVRational) override {}
    void OnSourceLost(bool video, const std::string& why) override {
        if (video) Add(why);
    }
};

TEST_F(WaylandScreen, AChooserTheUserTakesTimeWithHoldsNothingUpAndALateCancelIsALostDevice) {
    desktop_->SetChooserAnswer("", 3);  // the "user" looks at the chooser for 3 s, then cancels
    ASSERT_NO_FATAL_FAILURE(SelectPortal());  // returns while the chooser is still up
    LostWatch watch;
    engine_->Core().AddListener(&watch);
    EXPECT_TRUE(engine_->Core().HasVideo());
    EXPECT_TRUE(watch.Texts().empty());
    ASSERT_TRUE(PumpUntil([&] { return !watch.Texts().empty(); }, 15000));
    EXPECT_NE(watch.Texts().back().find("cancelled"), std::string::npos) << watch.Texts().back();
    engine_->Core().RemoveListener(&watch);
}

TEST_F(WaylandScreen, PreviewShowsTheDesktopAndTheSourceDialogCropsItOfferingOnlyWhatThePortalCan) {
    OpenEngine(true);
    engine_->resize(640, 360);
    engine_->show();
    engine_->SetPreviewFit(0);  // the whole desktop scaled into the window
    engine_->SetPreviewOn(true);
    ASSERT_TRUE(PumpUntil([&] { return engine_->PreviewPicturesShown() > 0; }, 5000));
    Pump(300);
    ExpectDesktopWithClock(engine_->grab().toImage());

    pelta::test::ScriptedPrompts prompts;
    bool followMouseOffered = true, cursorOffered = false;
    prompts.DialogScript = [&](QDialog& d) {
        auto& dialog = static_cast<VideoSourceDialog&>(d);
        followMouseOffered = dialog.chkFollowMouse->isEnabled();
        cursorOffered = dialog.chkDrawCursor->isEnabled();  // the wlroots portal: hidden or embedded
        // The lower right of the wallpaper, right of and below the clock window.
        dialog.spnLeft->setValue(900);
        dialog.spnTop->setValue(500);
        dialog.spnWidth->setValue(200);
        dialog.spnHeight->setValue(100);
        return int(QDialog::Accepted);
    };
    engine_->OpenDialog(DialogId::VideoSource, 0);
    test::Settle(*engine_);
    EXPECT_FALSE(followMouseOffered);
    EXPECT_TRUE(cursorOffered);
    EXPECT_EQ(std::pair(engine_->Core().CurrentVideoFormat().Width, engine_->Core().CurrentVideoFormat().Height),
              std::pair(200, 100));
    ASSERT_TRUE(PumpUntil([&] { return Latest().size() == QSize(200, 100); }, 5000));
    // Only wallpaper inside the region: none of the clock window.
    for (double fx : {0.0, 0.5, 0.99})
        for (double fy : {0.0, 0.5, 0.99}) EXPECT_TRUE(Near(LatestColourAt(fx, fy), kWallpaper)) << fx << "," << fy;
}

TEST_F(WaylandScreen, AStreamThatChangesSizeIsFollowedAtTheSizeAsked) {
    OpenEngine(true);
    ASSERT_TRUE(PumpUntil([&] { return Near(LatestColourAt(0.7, 0.5), kWallpaper); }, 5000));
    // At 800x600 the clock window (640x360 at the top left) reaches past 70 % across.
    ASSERT_TRUE(desktop_->Sway("output HEADLESS-1 resolution 800x600"));
    const bool followed = PumpUntil([&] { return Near(LatestColourAt(0.7, 0.5), kClock); }, 5000);
    EXPECT_EQ(Latest().size(), QSize(640, 360));
    desktop_->Sway("output HEADLESS-1 resolution 1280x720");
    EXPECT_TRUE(followed);
}

TEST_F(WaylandScreen, TheProgramRunsAsANativeClientOfTheDesktop) {
    const std::string program = std::string(PELTA_BUILD_DIR) + "/pelta-rx";
    ASSERT_TRUE(std::filesystem::exists(program));
    ASSERT_GT(desktop_->StartClient({"env", "QT_QPA_PLATFORM=wayland", program}), 0);
    const std::string tree = "swaymsg -s '" + std::string(std::getenv("SWAYSOCK")) +
                             "' -t get_tree | grep -q '\"app_id\": \"" + pelta::ProgramId().toStdString() + "\"'";
    EXPECT_TRUE(PumpUntil([&] { return std::system(tree.c_str()) == 0; }, 15000));
}

// The same on GNOME: mutter headless and GNOME's own portal backend, which shares without a
// dialog only where a grant is stored; the desktop's set-up stored one for the first monitor,
// and the program's state file holds its id as the restore token, as after an earlier run.
class GnomeScreen : public WaylandScreen {
protected:
    static void SetUpTestSuite() {
        EngineTest::SetUpTestSuite();
        desktop_ = &WaylandDesktop::Shared(pelta::test::DesktopKind::Gnome);
    }
    void Ready() override {
        ASSERT_TRUE(desktop_->Up()) << desktop_->Why();
        desktop_->Enter();
        ASSERT_FALSE(desktop_->GrantToken().empty());
        ASSERT_TRUE(SaveRestoreToken(desktop_->GrantToken()));
    }
    // Pictures of the clock: some of its background in the middle third of the picture
    // (mutter places a new window itself, near the middle).
    bool ShowsClock(const QImage& img) {
        for (int y = img.height() / 3; y < 2 * img.height() / 3; y += 8)
            for (int x = img.width() / 3; x < 2 * img.width() / 3; x += 8)
                if (Near(img.pixelColor(x, y), kClock)) return true;
        return false;
    }
    // An engine on the clock's monitor, once its pictures show the clock.
    void OpenOnClock() {
        OpenEngine(true);
        ASSERT_TRUE(PumpUntil([&] { return ShowsClock(Latest()); }, 15000));
    }
};

// A capture of the changing clock holds its pictures; GNOME's portal hands back a token for
// the next time, kept in the state file, that brings the same monitor back without a dialog
// (a dialog would hold the stream back, since no one is there to answer it). Then the desktop
// stops the sharing in the middle of a capture.
TEST_F(GnomeScreen, CaptureOfTheClockThenTheRestoreTokenThenSharingStoppedMidCapture) {
    ASSERT_NO_FATAL_FAILURE(OpenOnClock());
    EXPECT_EQ(CaptureFor("gnome.avi", 3.0).videoFrames, 30);
    const std::vector<QImage> pictures = DecodePictures(Path("gnome.avi"));
    ASSERT_EQ(pictures.size(), 30u);
    EXPECT_EQ(std::count_if(pictures.begin(), pictures.end(), [&](const QImage& i) { return ShowsClock(i); }), 30);
    EXPECT_GE(Changes(pictures), 3);  // the clock ticks on in the file, not one frozen picture

    const std::string token = LoadRestoreToken();
    EXPECT_FALSE(token.empty());
    engine_.reset();
    OpenEngine();
    EXPECT_TRUE(PumpUntil([&] { return ShowsClock(Latest()); }, 15000));
    EXPECT_EQ(LoadRestoreToken(), token);
    ExpectSharingEndedMidCapture("gnome-cut.avi");
}

TEST(PortalRequest, AsksForWhatThePortalOffers) {
    struct Case {
        PortalOffer offer;
        bool drawCursor;
        SourceRequest want;
    };
    const Case cases[] = {
        // version, types, cursor modes -> types, cursor mode, persist mode
        {{true, 4, 1, 3}, true, {1, 2, 2}},   // the wlroots portal: monitors, hidden or embedded cursor
        {{true, 4, 1, 3}, false, {1, 1, 2}},
        {{true, 5, 3, 7}, true, {3, 2, 2}},   // windows too where offered
        {{true, 3, 3, 1}, true, {3, 1, 0}},   // no embedded cursor; too old to keep a grant
        {{true, 4, 1, 2}, false, {1, 2, 2}},  // only embedded: the cursor shows anyway
        {{true, 2, 1, 0}, true, {1, 0, 0}},   // no cursor modes at all: not asked
    };
    for (const Case& c : cases) {
        const SourceRequest r = RequestFor(c.offer, c.drawCursor);
        EXPECT_EQ(std::tuple(r.Types, r.CursorMode, r.PersistMode),
                  std::tuple(c.want.Types, c.want.CursorMode, c.want.PersistMode));
        EXPECT_EQ(OfferFromUrl(OfferUrl(c.offer)), c.offer);
    }
    EXPECT_FALSE(OfferFromUrl(":0.0").Available);
    EXPECT_FALSE(OfferFromUrl("portal:v4:t1:c3x").Available);
}

TEST(PortalRequest, RegionCropsTheStreamInsideItsEdges) {
    struct Case {
        int x, y, w, h;
        StreamCrop want;
    };
    const Case cases[] = {
        {0, 0, 0, 0, {0, 0, 1280, 720}},         // no region: everything
        {100, 50, 321, 201, {100, 50, 320, 200}}, // even sizes
        {1200, 700, 200, 100, {1080, 620, 200, 100}},  // moved inside
        {0, 0, 4000, 100, {0, 0, 1280, 100}},    // cut to the stream
    };
    for (const Case& c : cases) {
        VideoSourceSettings s;
        s.RegionX = c.x, s.RegionY = c.y, s.RegionWidth = c.w, s.RegionHeight = c.h;
        EXPECT_EQ(CropFor(s, 1280, 720), c.want);
    }
}

TEST(PortalState, TheRestoreTokenIsKeptBesideTheSettingsAndReplacedWhole) {
    QTemporaryDir home;
    const pelta::test::ScopedEnv config("XDG_CONFIG_HOME", home.path().toStdString());
    EXPECT_EQ(PortalStatePath(), home.path().toStdString() + "/pelta-rx/portal-state");
    EXPECT_EQ(LoadRestoreToken(), "");
    EXPECT_TRUE(SaveRestoreToken("3f2a-first"));
    EXPECT_TRUE(SaveRestoreToken("9c1d-second"));
    EXPECT_EQ(LoadRestoreToken(), "9c1d-second");
    EXPECT_FALSE(SaveRestoreToken("two\nlines"));
    EXPECT_EQ(LoadRestoreToken(), "9c1d-second");
    EXPECT_FALSE(std::filesystem::exists(PortalStatePath() + ".new"));
}

}  // namespace
