// Device choices against a running capture and against devices that cannot be opened: a
// capture is never altered under way, and a failed choice leaves the device before in use.
#include "EngineTest.h"
#include "RecordProbe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::ProbeFile;
using pelta::test::Pump;
using pelta::test::PumpUntil;

namespace {

class DeviceChanges : public test::EngineTest {
protected:
    void Ready() override {}  // each test builds its engine: one after the sound server changed
};

TEST_F(DeviceChanges, ARunningCaptureRefusesEveryChangeThatWouldAlterIt) {
    CaptureEngine engine;
    engine.SetEventSink(&events_);
    auto& v = engine.VideoInputs();
    auto& a = engine.AudioInputs();
    test::UseTestPattern(engine, 0);  // 320x240
    test::UseTestTone(engine);
    const std::string file = Path("steady.avi");
    engine.SetCaptureFileName(file);
    engine.SetOutputFormat(OutputFormat::Avi);
    engine.PrepareCapture(CaptureMode::VideoAndAudio);
    engine.BeginCapture(CaptureMode::VideoAndAudio);
    ASSERT_TRUE(PumpUntil([&] { return engine.FramesCaptured() >= 10; }));

    VideoSourceSettings otherRate = engine.Core().VideoSettings(), region = otherRate, pattern = otherRate;
    otherRate.FrameRate = 15;
    region.RegionWidth = region.RegionHeight = 100;
    pattern.Pattern = "smptebars";
    AudioSourceSettings otherSound = engine.Core().AudioSettings();
    otherSound.SampleRate = 22050;
    struct Change {
        const char* what;
        std::function<void()> make;
    } changes[] = {
        {"video device", [&] { v.SetSelected(0); }},
        {"video device", [&] { v.SetSelected(-1); }},
        {"audio device", [&] { a.SetSelected(test::DeviceIndex(engine.Core().AudioDevices(), "nullsink.monitor")); }},
        {"capture size", [&] { engine.VideoSizeList().SetSelected(1); }},
        {"video format", [&] { engine.Core().SetVideoSettings(otherRate); }},
        {"source region", [&] { engine.Core().SetVideoSettings(region); }},
        {"video source", [&] { engine.Core().SetVideoSettings(pattern); }},
        {"audio format", [&] { engine.Core().SetAudioSettings(otherSound); }},
    };
    for (const auto& c : changes) {
        try {
            c.make();
            ADD_FAILURE() << "the " << c.what << " was changed under a running capture";
        } catch (const EngineError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("The ") + c.what + " cannot be changed while a capture is running.");
        }
        Pump(100);
    }
    EXPECT_EQ(engine.EngineState(), EngineStateCode::Capturing);
    const int32_t before = engine.FramesCaptured();
    PumpUntil([&] { return engine.FramesCaptured() >= before + 10; });
    engine.EndCapture();
    PumpUntil([&] { return events_.ended > 0; });
    EXPECT_TRUE(events_.errors.empty());
    EXPECT_EQ(events_.ended, 1);
    const auto p = ProbeFile(file);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.sampleRate, 48000);
    EXPECT_EQ(p.videoFrames, engine.FramesCaptured());
    EXPECT_NEAR(p.audioLength, p.videoLength, 0.1);
    // Once it has ended, the same changes are taken.
    engine.VideoSizeList().SetSelected(1);
    test::Settle(engine);
    EXPECT_EQ(engine.Core().CurrentVideoFormat().Width, 640);
}

TEST_F(DeviceChanges, ADeviceThatCannotBeOpenedLeavesTheOneBeforeInUse) {
    const std::string module = pelta::test::Pactl("load-module module-null-sink sink_name=unplugged");
    ASSERT_FALSE(module.empty());
    CaptureEngine engine;
    engine.SetEventSink(&events_);
    const int32_t monitor = test::DeviceIndex(engine.Core().AudioDevices(), "nullsink.monitor");
    const int32_t gone = test::DeviceIndex(engine.Core().AudioDevices(), "unplugged.monitor");
    ASSERT_GE(gone, 0);
    engine.AudioInputs().SetSelected(monitor);
    test::Settle(engine);
    pelta::test::Pactl("unload-module " + module);  // the device goes after it was listed
    engine.AudioInputs().SetSelected(gone);
    EXPECT_EQ(engine.AudioInputs().Selected(), gone);  // asked for, not yet refused
    ASSERT_TRUE(PumpUntil([&] { return events_.settled.size() == 2; }));
    EXPECT_EQ(events_.settled[0], "");
    const std::string& why = events_.settled[1];
    EXPECT_NE(why.find("Cannot open the audio device"), std::string::npos) << why;
    EXPECT_NE(why.find("No such entity"), std::string::npos) << why;  // the server's reason
    EXPECT_EQ(engine.AudioInputs().Selected(), monitor);
    ASSERT_TRUE(engine.Core().HasAudio());
    EXPECT_EQ(engine.Core().SelectedAudioDevice()->Url, "nullsink.monitor");
    // The device before still delivers: a capture from it starts.
    EXPECT_NO_THROW(engine.Core().EnsureDelivering(false, true));
}

// The window's thread never waits on a device: with the sound server stopped, opening its
// input cannot finish, yet choosing it returns at once; the answer comes as an event once the
// server runs again, and a capture begun meanwhile records the device chosen.
TEST_F(DeviceChanges, ChoosingADeviceReturnsBeforeItOpens) {
    CaptureEngine engine;
    engine.SetEventSink(&events_);
    const int32_t monitor = test::DeviceIndex(engine.Core().AudioDevices(), "nullsink.monitor");
    ASSERT_GE(monitor, 0);
    pelta::test::SignalPulse(SIGSTOP);
    struct Resume {
        ~Resume() { pelta::test::SignalPulse(SIGCONT); }
    } resume;  // whatever fails below
    engine.AudioInputs().SetSelected(monitor);
    const bool pending = engine.Core().OpeningDevices();
    Pump(300);  // the window goes on drawing and taking input meanwhile
    const bool stillPending = engine.Core().OpeningDevices() && events_.settled.empty();
    engine.SetCaptureFileName(Path("chosen.wav"));
    engine.SetOutputFormat(OutputFormat::Wave);
    engine.SetTimeLimitOn(true);
    engine.SetTimeLimitSeconds(1);
    EXPECT_TRUE(engine.ModeAvailable(CaptureMode::AudioOnly));  // the device asked for counts
    engine.PrepareCapture(CaptureMode::AudioOnly);
    engine.BeginCapture(CaptureMode::AudioOnly);
    pelta::test::SignalPulse(SIGCONT);  // twice is harmless
    EXPECT_TRUE(pending);
    EXPECT_TRUE(stillPending);
    ASSERT_TRUE(PumpUntil([&] { return !events_.settled.empty(); }));
    EXPECT_EQ(events_.settled[0], "");
    EXPECT_EQ(engine.AudioInputs().Selected(), monitor);
    ASSERT_TRUE(PumpUntil([&] { return events_.ended > 0; }));
    EXPECT_TRUE(events_.errors.empty());
    const auto p = ProbeFile(Path("chosen.wav"));
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.audioLength, 1.0, 0.2);
}

// Changes wait their turn behind one that cannot finish (the sound server stopped): a size
// chosen and overtaken by None before it opened is still the size the device comes back at.
TEST_F(DeviceChanges, ASizeOvertakenBeforeItOpensIsTheSizeTheDeviceComesBackAt) {
    CaptureEngine engine;
    engine.SetEventSink(&events_);
    const int32_t monitor = test::DeviceIndex(engine.Core().AudioDevices(), "nullsink.monitor");
    ASSERT_GE(monitor, 0);
    DeviceList& v = engine.VideoInputs();
    const int32_t pattern = v.Count() - 1;
    const SizeItem chosen = engine.Core().VideoDevices()[size_t(pattern)].Sizes.at(2);
    pelta::test::SignalPulse(SIGSTOP);
    {
        struct Resume {
            ~Resume() { pelta::test::SignalPulse(SIGCONT); }
        } resume;
        engine.AudioInputs().SetSelected(monitor);  // holds the opener
        v.SetSelected(pattern);
        engine.VideoSizeList().SetSelected(2);
        v.SetSelected(-1);
        EXPECT_TRUE(engine.Core().OpeningDevices());
    }
    test::Settle(engine);
    v.SetSelected(pattern);
    EXPECT_EQ(engine.VideoSizeList().Selected(), 2);
    test::Settle(engine);
    const VideoFormat opened = engine.Core().CurrentVideoFormat();
    EXPECT_EQ(opened.Width, chosen.Width);
    EXPECT_EQ(opened.Height, chosen.Height);
}

}  // namespace
