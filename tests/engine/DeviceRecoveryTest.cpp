// A sound device that is lost (server killed), frozen (server stopped) or comes back
// (server restarted), against the private sound server the tests start. Each case reads the
// file back and checks the error the user sees.
#include "engine/CaptureEngine.h"
#include "CountingEvents.h"
#include "support/Pump.h"
#include "support/Services.h"
#include "RecordProbe.h"
#include "SoundLevel.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::MeasureSound;
using pelta::test::ProbeFile;
using pelta::test::Pump;

namespace {

using Events = pelta::test::CountingEvents;

class DeviceRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        const auto& s = pelta::test::StartMediaServices();
        if (!s.XvfbUp || !s.PulseUp) GTEST_SKIP() << "no private display or sound server";
        engine_ = std::make_unique<CaptureEngine>();
        engine_->SetEventSink(&events_);
        auto& v = engine_->VideoInputs();
        v.SetSelected(v.Count() - 1);             // Test Pattern
        engine_->VideoSizeList().SetSelected(0);  // 320x240
        int monitor = -1;
        for (size_t i = 0; i < engine_->Core().AudioDevices().size(); ++i)
            if (engine_->Core().AudioDevices()[i].Url == "nullsink.monitor") monitor = int(i);
        ASSERT_GE(monitor, 0);
        engine_->AudioInputs().SetSelected(monitor);
    }
    void TearDown() override {
        engine_.reset();
        // The next test finds the server as it was.
        pelta::test::SignalPulse(SIGCONT);
        if (pelta::test::Pactl("info").empty()) pelta::test::RestartPulse();
    }
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    void Begin(const char* name, int32_t format, int32_t mode, double limit = 0) {
        engine_->SetCaptureFileName(Path(name));
        engine_->SetOutputFormat(format);
        engine_->SetTimeLimitOn(limit > 0);
        engine_->SetTimeLimitSeconds(limit);
        engine_->PrepareCapture(mode);
        engine_->BeginCapture(mode);
    }
    void WaitForFrames(int frames) {
        QElapsedTimer t;
        t.start();
        while (engine_->FramesCaptured() < frames && t.elapsed() < 20000) Pump(20);
    }
    void WaitForEnd(int ended = 1) {
        QElapsedTimer t;
        t.start();
        while (events_.ended < ended && t.elapsed() < 30000) Pump(50);
    }

    QTemporaryDir dir_;
    Events events_;
    std::unique_ptr<CaptureEngine> engine_;
};

// What stops the server during a capture: killed outright, or frozen.
struct Fault {
    const char* name;
    int signal;
};

TEST_F(DeviceRecovery, AServerThatDiesOrFreezesEndsTheCaptureWithBothTracksTogether) {
    for (const Fault fault : {Fault{"killed", SIGKILL}, Fault{"frozen", SIGSTOP}}) {
        SCOPED_TRACE(fault.name);
        events_ = Events{};
        const std::string file = std::string(fault.name) + ".avi";
        Begin(file.c_str(), OutputFormat::Avi, CaptureMode::VideoAndAudio);
        WaitForFrames(20);
        pelta::test::SignalPulse(fault.signal);
        WaitForEnd();
        EXPECT_EQ(events_.ended, 1);
        EXPECT_EQ(events_.errors, std::vector<int32_t>{4});
        EXPECT_NE(engine_->EngineState(), EngineStateCode::Capturing);
        const auto p = ProbeFile(Path(file.c_str()));
        ASSERT_TRUE(p.ok);
        EXPECT_TRUE(p.readToEnd);
        EXPECT_GT(p.videoLength, 0.5);
        EXPECT_NEAR(p.audioLength, p.videoLength, 0.1) << "sound " << p.audioLength << " s, video " << p.videoLength;
        std::printf("[          ] %s: sound %.3f s, video %.3f s\n", fault.name, p.audioLength, p.videoLength);
        pelta::test::SignalPulse(SIGCONT);
        ASSERT_TRUE(pelta::test::RestartPulse());
    }
}

TEST_F(DeviceRecovery, ACaptureWithTheServerDeadIsRefusedAndWorksOnceItIsBack) {
    engine_->VideoInputs().SetSelected(-1);
    Pump(300);
    pelta::test::SignalPulse(SIGKILL);
    QElapsedTimer t;
    t.start();
    while (!engine_->Core().DeviceLost(false) && t.elapsed() < 15000) Pump(50);
    const std::string file = Path("dead.wav");
    std::string refusal;
    try {
        Begin("dead.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 2);
    } catch (const EngineError& e) {
        refusal = e.what();
    }
    EXPECT_NE(refusal.find("Monitor of Null Output"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(file)) << "a file was left with the server dead";
    Pump(300);
    EXPECT_EQ(events_.progress, 0);  // "Recording ..." never shows
    EXPECT_EQ(events_.ended, 0);

    // The server comes back; the same device, still selected, is used again.
    ASSERT_TRUE(pelta::test::RestartPulse());
    const int tone = pelta::test::StartToneIntoNullSink(5);
    Pump(800);
    Begin("back.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 2);
    WaitForEnd();
    pelta::test::WaitForChild(tone);
    EXPECT_TRUE(events_.errors.empty());
    const auto m = MeasureSound(Path("back.wav"), 0.3, 1.8);
    ASSERT_TRUE(m.ok);
    EXPECT_NEAR(m.seconds, 2.0, 0.1);
    EXPECT_GT(m.rmsDb, -30) << "the tone reached the capture after the server came back";
}

TEST_F(DeviceRecovery, AServerFrozenBeforeTheStartIsRefusedAndHeardAgainWhenThawed) {
    engine_->VideoInputs().SetSelected(-1);
    Pump(300);
    pelta::test::SignalPulse(SIGSTOP);
    // Once the engine has found the device silent for its bound, a capture is refused.
    QElapsedTimer t;
    t.start();
    while (!engine_->Core().DeviceLost(false) && t.elapsed() < 15000) Pump(50);
    std::string refusal;
    try {
        Begin("frozen.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 2);
    } catch (const EngineError& e) {
        refusal = e.what();
    }
    pelta::test::SignalPulse(SIGCONT);
    EXPECT_NE(refusal.find("delivers no sound"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(Path("frozen.wav")));
    // Thawed, the server is heard again without choosing the device anew.
    Begin("thawed.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 1);
    WaitForEnd();
    EXPECT_TRUE(events_.errors.empty());
    EXPECT_NEAR(MeasureSound(Path("thawed.wav")).seconds, 1.0, 0.1);
}

}  // namespace
