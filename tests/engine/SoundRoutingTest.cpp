// The preview's sound against a real (private) sound server: it never plays into the output
// that is being recorded, whatever is chosen, and plays wherever no loop results.
#include "engine/CaptureEngine.h"
#include "support/Pump.h"
#include "support/Services.h"
#include "SoundLevel.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::MeasureSound;
using pelta::test::Pump;

namespace {

// ffmpeg's sine source plays at an eighth of full scale: RMS 1/8/sqrt(2).
const double kToneDb = 20 * std::log10(0.125 / std::sqrt(2.0));

struct Events final : EngineEvents {
    int ended = 0;
    std::vector<int32_t> errors;
    void WindowKeyDown(int16_t&, int16_t) override {}
    void CaptureEnded() override { ++ended; }
    void CaptureError(int32_t c) override { errors.push_back(c); }
    void CaptureProgress(int32_t) override {}
};


class SoundRouting : public ::testing::Test {
protected:
    static void SetUpTestSuite() { pelta::test::StartMediaServices(); }
    void SetUp() override {
        const auto& s = pelta::test::StartMediaServices();
        if (!s.XvfbUp || !s.PulseUp) GTEST_SKIP() << "no private display or sound server";
        engine_ = std::make_unique<CaptureEngine>();
        engine_->SetEventSink(&events_);
    }
    // The engine as the main window leaves it at start: the first devices, the default
    // output, preview on showing video and sound.
    void StartAsTheProgramDoes() {
        engine_->VideoInputs().SetSelected(0);
        engine_->AudioInputs().SetSelected(0);
        ASSERT_EQ(engine_->Core().SelectedAudioDevice()->Url, "nullsink.monitor");
        ASSERT_EQ(engine_->AudioRendererList().Selected(), -1);
        engine_->SetPreviewFit(2);
        engine_->SetPreviewOn(true);
        ASSERT_EQ(engine_->PreviewInput(), 0);
    }
    // A sound-only capture into a WAV file, ended by its time limit.
    std::string RecordWav(const char* name, double seconds) {
        const std::string path = dir_.filePath(name).toStdString();
        engine_->SetCaptureFileName(path);
        engine_->SetOutputFormat(OutputFormat::Wave);
        engine_->SetTimeLimitOn(true);
        engine_->SetTimeLimitSeconds(seconds);
        const int endedBefore = events_.ended;
        engine_->PrepareCapture(CaptureMode::AudioOnly);
        engine_->BeginCapture(CaptureMode::AudioOnly);
        QElapsedTimer t;
        t.start();
        while (events_.ended == endedBefore && t.elapsed() < 30000) Pump(50);
        EXPECT_EQ(events_.ended, endedBefore + 1);
        return path;
    }
    // The RMS level the null sink's monitor carries now, read by a second listener.
    double MonitorLevelDb(int ms) {
        const std::string path = dir_.filePath("monitor.wav").toStdString();
        const std::string cmd = "timeout " + std::to_string(ms / 1000.0) +
                                " parecord --device=nullsink.monitor --file-format=wav " + path + " >/dev/null 2>&1";
        int rc = std::system(cmd.c_str());
        (void)rc;
        return MeasureSound(path, 0.2).rmsDb;
    }

    QTemporaryDir dir_;
    Events events_;
    std::unique_ptr<CaptureEngine> engine_;
};

TEST_F(SoundRouting, DefaultsRecordTheToneAtItsLevelAndNothingAfterIt) {
    StartAsTheProgramDoes();
    const int tone = pelta::test::StartToneIntoNullSink(6);
    // The tone is heard before the capture starts.
    QElapsedTimer t;
    t.start();
    while (engine_->SoundLevel() < 0.05 && t.elapsed() < 10000) Pump(50);
    const auto during = MeasureSound(RecordWav("during.wav", 3), 0.3, 2.8);
    ASSERT_TRUE(during.ok);
    EXPECT_NEAR(during.rmsDb, kToneDb, 1.0) << "the tone as recorded, dB";
    pelta::test::WaitForChild(tone);
    Pump(3000);
    const auto after = MeasureSound(RecordWav("after.wav", 2));
    ASSERT_TRUE(after.ok);
    EXPECT_GT(after.seconds, 1.5);
    EXPECT_LT(after.rmsDb, -80) << "3 s after the tone stopped, dB";
    EXPECT_TRUE(events_.errors.empty());
}

}  // namespace
