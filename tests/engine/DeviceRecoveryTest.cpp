// A sound device that is lost (server killed), frozen (server stopped) or comes back
// (server restarted), against the private sound server the tests start. Each case reads the
// file back and checks the error the user sees.
#include "EngineTest.h"
#include "support/Processes.h"
#include "RecordProbe.h"
#include "SoundLevel.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::MeasureSound;
using pelta::test::ProbeFile;
using pelta::test::Pump;
using pelta::test::PumpUntil;

namespace {

using Events = pelta::test::CountingEvents;

class DeviceRecovery : public test::EngineTest {
protected:
    void Ready() override {
        EngineTest::Ready();
        test::UseTestPattern(*engine_, 0);  // 320x240
        const int32_t monitor = test::DeviceIndex(engine_->Core().AudioDevices(), "nullsink.monitor");
        ASSERT_GE(monitor, 0);
        engine_->AudioInputs().SetSelected(monitor);
    }
    void TearDown() override {
        engine_.reset();
        // The next test finds the server as it was.
        pelta::test::SignalPulse(SIGCONT);
        if (pelta::test::Pactl("info").empty()) pelta::test::RestartPulse();
    }
};

TEST_F(DeviceRecovery, AServerThatDiesEndsTheCaptureWithBothTracksTogether) {
    Begin("killed.avi", OutputFormat::Avi, CaptureMode::VideoAndAudio);
    ASSERT_TRUE(WaitForFrames(20));
    pelta::test::SignalPulse(SIGKILL);
    WaitForEnd();
    EXPECT_EQ(events_.ended, 1);
    EXPECT_EQ(events_.errors, std::vector<int32_t>{4});
    EXPECT_NE(engine_->EngineState(), EngineStateCode::Capturing);
    const auto p = ProbeFile(Path("killed.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_GT(p.videoLength, 0.5);
    EXPECT_NEAR(p.audioLength, p.videoLength, 0.1) << "sound " << p.audioLength << " s, video " << p.videoLength;
}

// A server frozen for five seconds of a fifteen-second capture is a gap, not the end: the
// file is fifteen seconds long, with the tone before and after the silence, and the gap is
// counted as the device's drops.
TEST_F(DeviceRecovery, AFrozenServerLeavesAGapAndTheCaptureGoesOn) {
    engine_->VideoInputs().SetSelected(-1);
    const int tone = pelta::test::StartToneIntoNullSink(18);
    Pump(800);
    Begin("stalled.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 15);
    PumpUntil([&] { return engine_->ElapsedSeconds() >= 4; }, 20000);
    pelta::test::SignalPulse(SIGSTOP);
    Pump(5000);
    pelta::test::SignalPulse(SIGCONT);
    WaitForEnd(1, 40000);
    pelta::test::WaitForExit(tone);
    EXPECT_EQ(events_.ended, 1);
    EXPECT_TRUE(events_.errors.empty()) << "error " << (events_.errors.empty() ? 0 : events_.errors[0]);
    EXPECT_GT(engine_->FramesDropped(), 0) << "the gap is not counted";
    const auto whole = MeasureSound(Path("stalled.wav"));
    EXPECT_NEAR(whole.seconds, 15.0, 0.2);
    EXPECT_GT(MeasureSound(Path("stalled.wav"), 0.5, 3.5).rmsDb, -30) << "no tone before the gap";
    EXPECT_GT(MeasureSound(Path("stalled.wav"), 11.5, 14.5).rmsDb, -30) << "no tone after the gap";
    std::printf("[          ] %.3f s, %d dropped\n", whole.seconds, engine_->FramesDropped());
}

TEST_F(DeviceRecovery, ACaptureWithTheServerDeadIsRefusedAndWorksOnceItIsBack) {
    engine_->VideoInputs().SetSelected(-1);
    Pump(300);
    pelta::test::SignalPulse(SIGKILL);
    PumpUntil([&] { return engine_->Core().DeviceLost(false); }, 15000);
    const std::string file = Path("dead.wav");
    // The start returns at once; the refusal comes as the error of a lost device.
    Begin("dead.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 2);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(events_.errors, std::vector<int32_t>{4});
    const std::string refusal = engine_->LastErrorText();
    EXPECT_NE(refusal.find("Monitor of Null Output"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(file)) << "a file was left with the server dead";
    EXPECT_EQ(events_.progress, 0);  // "Recording ..." never shows
    events_ = Events{};

    // The server comes back; the same device, still selected, is used again.
    ASSERT_TRUE(pelta::test::RestartPulse());
    const int tone = pelta::test::StartToneIntoNullSink(5);
    Pump(800);
    Begin("back.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 2);
    WaitForEnd();
    pelta::test::WaitForExit(tone);
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
    PumpUntil([&] { return engine_->Core().DeviceLost(false); }, 15000);
    Begin("frozen.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 2);
    const bool ended = WaitForEnd();
    pelta::test::SignalPulse(SIGCONT);
    ASSERT_TRUE(ended);
    EXPECT_EQ(events_.errors, std::vector<int32_t>{4});
    const std::string refusal = engine_->LastErrorText();
    EXPECT_NE(refusal.find("delivers no sound"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(Path("frozen.wav")));
    events_ = Events{};
    // Thawed, the server is heard again without choosing the device anew.
    Begin("thawed.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 1);
    WaitForEnd();
    EXPECT_TRUE(events_.errors.empty());
    EXPECT_NEAR(MeasureSound(Path("thawed.wav")).seconds, 1.0, 0.1);
}

}  // namespace
