#include "engine/CaptureEngine.h"
#include "engine/core/devices/AvSource.h"
#include "engine/core/EngineCore.h"
#include "engine/core/preview/PreviewRect.h"
#include "engine/core/preview/PreviewSound.h"
#include "EngineTest.h"
#include "support/Processes.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QImage>
#include <condition_variable>

using namespace pelta;
using namespace pelta::engine;

namespace {

TEST(PreviewRect, EachFitPlacesThePicture) {
    // A 640x480 picture in an 800x400 window.
    EXPECT_EQ(PreviewRectFor(0, 640, 480, 800, 400), (PictureRect{133, 0, 533, 400}));
    EXPECT_EQ(PreviewRectFor(1, 640, 480, 800, 400), (PictureRect{0, 0, 800, 400}));
    EXPECT_EQ(PreviewRectFor(2, 640, 480, 800, 400), (PictureRect{80, -40, 640, 480}));
    EXPECT_EQ(PreviewRectFor(3, 640, 480, 800, 400), (PictureRect{160, 20, 480, 360}));
    EXPECT_EQ(PreviewRectFor(4, 640, 480, 800, 400), (PictureRect{240, 80, 320, 240}));
    EXPECT_EQ(PreviewRectFor(5, 640, 480, 800, 400), (PictureRect{-240, -280, 1280, 960}));
    // A tall window keeps the aspect ratio with bars above and below.
    EXPECT_EQ(PreviewRectFor(0, 640, 480, 320, 600), (PictureRect{0, 180, 320, 240}));
    EXPECT_EQ(PreviewRectFor(0, 640, 480, 0, 600), PictureRect{});
}

TEST(AlsaNames, OnlyCardsAndTheDefaultAreOffered) {
    for (const char* keep : {"default", "sysdefault:CARD=PCH", "hw:CARD=PCH,DEV=0", "plughw:CARD=USB,DEV=0",
                             "front:CARD=PCH,DEV=0", "dsnoop:CARD=PCH,DEV=0"})
        EXPECT_TRUE(KeepAlsaDevice(keep)) << keep;
    for (const char* drop : {"lavrate", "samplerate", "speexrate", "jack", "oss", "pulse", "speex", "upmix",
                             "vdownmix", "null", "surround51:CARD=PCH,DEV=0", ""})
        EXPECT_FALSE(KeepAlsaDevice(drop)) << drop;
}

TEST(ScreenSizes, OwnSizeFirstThenSmallerOfTheSameShape) {
    const auto s = ScreenSizes(1920, 1080);
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s[0].Width, 1920);
    EXPECT_EQ(s[0].Height, 1080);
    EXPECT_EQ(s[1].Width, 1280);
    EXPECT_EQ(s[1].Height, 720);
    for (const auto& z : s) EXPECT_EQ(z.Width % 2, 0);
    EXPECT_TRUE(ScreenSizes(0, 0).empty());
}

using RealDevices = test::MediaTest;

TEST_F(RealDevices, ListsTheScreenTheSoundServerAndTheBuiltIns) {
    EngineCore core;
    ASSERT_GT(core.VideoInputs().Count(), 0);
    EXPECT_GE(test::IndexContaining(core.VideoInputs(), "1920x1080"), 0);
    EXPECT_EQ(test::IndexNamed(core.VideoInputs(), "Test Pattern"), core.VideoInputs().Count() - 1);
    EXPECT_EQ(test::IndexNamed(core.AudioInputs(), "Test Tone"), core.AudioInputs().Count() - 1);
    EXPECT_GE(test::DeviceIndex(core.AudioDevices(), "nullsink.monitor"), 0);
    EXPECT_GE(test::DeviceIndex(core.AudioOutputs(), "nullsink"), 0);
    EXPECT_EQ(core.VideoSizeList().Count(), 0);  // nothing selected yet
}

TEST_F(RealDevices, SizesFollowTheVideoDevice) {
    EngineCore core;
    const int pattern = core.VideoInputs().Count() - 1;
    core.VideoInputs().SetSelected(pattern);
    EXPECT_EQ(core.VideoSizeList().Count(), static_cast<int32_t>(TestPatternSizes().size()));
    EXPECT_EQ(core.VideoSizeList().Selected(), 0);
    core.VideoSizeList().SetSelected(1);
    EXPECT_EQ(core.CurrentVideoFormat().Width, 640);
    core.VideoInputs().SetSelected(0);
    EXPECT_EQ(core.VideoSizeList().Item(0).Width, 1920);
    EXPECT_TRUE(core.HasVideo());
    core.VideoInputs().SetSelected(-1);
    EXPECT_FALSE(core.HasVideo());
    EXPECT_EQ(core.VideoSizeList().Count(), 0);
}

struct Counter final : FrameListener {
    std::mutex m;
    std::condition_variable cv;
    int video = 0;
    int64_t audioSamples = 0;
    int width = 0;
    bool lost = false;
    std::string why;
    void OnVideoFrame(const AVFrame* f, AVRational) override {
        std::lock_guard l(m);
        ++video;
        width = f->width;
        cv.notify_all();
    }
    void OnAudioFrame(const AVFrame* f, AVRational) override {
        std::lock_guard l(m);
        audioSamples += f->nb_samples;
        cv.notify_all();
    }
    void OnSourceLost(bool, const std::string& w) override {
        std::lock_guard l(m);
        lost = true;
        why = w;
        cv.notify_all();
    }
    template <typename P>
    bool WaitFor(P pred, int ms = 5000) {
        std::unique_lock l(m);
        return cv.wait_for(l, std::chrono::milliseconds(ms), pred);
    }
};

TEST_F(RealDevices, ScreenAndMonitorDeliverFramesAndSound) {
    EngineCore core;
    Counter c;
    core.AddListener(&c);
    core.VideoInputs().SetSelected(0);
    core.VideoSizeList().SetSelected(1);  // scaled to 1280x720
    {
        std::lock_guard l(c.m);
        c.video = 0;  // count only the pictures of the new size
    }
    const int monitor = test::DeviceIndex(core.AudioDevices(), "nullsink.monitor");
    ASSERT_GE(monitor, 0);
    core.AudioInputs().SetSelected(monitor);
    EXPECT_TRUE(c.WaitFor([&] { return c.video >= 5 && c.width == 1280 && c.audioSamples >= 2400; }, 15000));
    {
        std::lock_guard l(c.m);  // the device's thread goes on delivering
        EXPECT_EQ(c.width, 1280);
    }
    EXPECT_EQ(core.CurrentAudioFormat().SampleRate, 48000);
    AVFrame* latest = core.LatestVideoFrame();
    ASSERT_NE(latest, nullptr);
    EXPECT_EQ(latest->width, 1280);
    av_frame_free(&latest);
    core.RemoveListener(&c);
}

TEST_F(RealDevices, AMissingDeviceIsNamedInTheError) {
    DeviceInfo gone;
    gone.DisplayName = "Gone Camera";
    gone.Kind = DeviceKind::Camera;
    gone.InputFormat = "video4linux2";
    gone.Url = "/dev/video-that-is-not-there";
    try {
        AvSource s(gone, SizeItem{640, 480}, true, {});
        FAIL() << "opened a device that does not exist";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("Gone Camera"), std::string::npos) << e.what();
    }
    DeviceInfo source;
    source.DisplayName = "Unplugged Microphone";
    source.Kind = DeviceKind::Microphone;
    source.InputFormat = "pulse";
    source.Url = "no_such_source";
    EXPECT_THROW(AvSource(source, SizeItem{}, false, {}), EngineError);
}

TEST_F(RealDevices, AVanishedDisplayEndsTheSourceWithItsName) {
    // A second private display that is killed while it is read.
    test::PrivateDisplay display;
    PELTA_NEEDS_SERVICE(display.Up(), "a second private display (Xvfb)");
    DeviceInfo screen;
    screen.DisplayName = "Screen 0 (320x240)";
    screen.Kind = DeviceKind::Screen;
    screen.InputFormat = "x11grab";
    screen.Url = display.Name() + ".0";
    screen.Width = 320;
    screen.Height = 240;
    Counter c;
    {
        AvSource s(screen, SizeItem{320, 240}, true,
                   SourceCallbacks{[&](const AVFrame* f, AVRational tb) { c.OnVideoFrame(f, tb); },
                                   [&](const std::string& why) { c.OnSourceLost(true, why); }});
        ASSERT_TRUE(c.WaitFor([&] { return c.video >= 2; }));
        display.Kill();
        EXPECT_TRUE(c.WaitFor([&] { return c.lost; }, 8000));
    }
    EXPECT_NE(c.why.find("Screen 0 (320x240)"), std::string::npos) << c.why;
}

TEST_F(RealDevices, PreviewShowsChangingPicturesOfTheSelectedSize) {
    CaptureEngine engine;
    engine.resize(640, 480);
    engine.show();
    test::UseTestPattern(engine, 0);  // 320x240
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(true);
    ASSERT_TRUE(test::PumpForPictures(engine));
    const QImage first = engine.grab().toImage();
    EXPECT_EQ(engine.PictureRectNow(), (PictureRect{160, 120, 320, 240}));
    EXPECT_TRUE(test::PumpForPictures(engine, 3));
    const QImage second = engine.grab().toImage();
    ASSERT_FALSE(first.isNull());
    // Inside the picture something moved; outside it the window stays black.
    EXPECT_NE(first.copy(160, 120, 320, 240), second.copy(160, 120, 320, 240));
    EXPECT_EQ(QColor(second.pixel(10, 10)), QColor(Qt::black));
    EXPECT_NE(QColor(second.pixel(320, 240)), QColor(Qt::black));
    EXPECT_GT(engine.FullScreenMetric(), 0.0f);
    engine.SetPreviewFit(1);
    EXPECT_TRUE(test::PumpUntil([&] { return engine.PictureRectNow() == PictureRect{0, 0, 640, 480}; }));
}

}  // namespace

namespace {

TEST(PreviewSoundQueue, AMissingServerNeverGrowsTheQueue) {
    // No server at this address: every block is consumed or dropped, nothing piles up.
    const test::ScopedEnv noServer("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    std::vector<int16_t> block(960 * 2, 100);
    PreviewSound sound("", "", 48000, 2);
    for (int i = 0; i < 500; ++i) {
        sound.Push(block.data(), 960);
        ASSERT_LE(sound.Queued(), PreviewSound::kMaxBlocks);
    }
}

TEST_F(RealDevices, PreviewPlaysTheToneIntoTheChosenOutput) {
    CaptureEngine engine;
    engine.SetPreviewOn(true);
    engine.SetPreviewInput(0);
    const int sink = test::DeviceIndex(engine.Core().AudioOutputs(), "nullsink");
    ASSERT_GE(sink, 0);
    engine.AudioRendererList().SetSelected(sink);
    test::UseTestTone(engine);
    // The null sink's monitor now carries the tone: a playback stream of ours is connected.
    EXPECT_TRUE(test::PumpUntil([] {
        return std::atoi(test::CommandOutput("pactl list short sink-inputs 2>/dev/null | wc -l").c_str()) >= 1;
    }));
}

}  // namespace
