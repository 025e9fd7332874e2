// The preview's sound against a real (private) sound server: it never plays into the output
// that is being recorded, whatever is chosen, and plays wherever no loop results.
#include "EngineTest.h"
#include "support/Processes.h"
#include "SoundLevel.h"
#include "engine/core/devices/SoundServer.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::MeasureSound;
using pelta::test::Pump;
using pelta::test::PumpUntil;

namespace {

// Sound played into an output comes back in an input: through monitors and modules that
// carry it on, never through a module without streams (a sound card's speaker and mic).
TEST(SoundReaches, FollowsMonitorsAndModulesThatCarrySoundOn) {
    // Sinks: 0 "speakers" and 1 "mic-card" owned by card module 1 (which also owns the
    // microphone, source 10); 2 "a" and 3 "b", null outputs of modules 2 and 3; 4 "virtual",
    // a virtual output of module 4 that plays into "a". Sources 20-23 are monitors.
    SoundGraph g;
    g.Sinks = {{0, "speakers", "", 1}, {2, "a", "", 2}, {3, "b", "", 3}, {4, "virtual", "", 4}, {5, "c", "", 5}};
    g.Sources = {{10, "mic", "", 1},           {20, "speakers.monitor", "", 1, 0}, {22, "a.monitor", "", 2, 2},
                 {23, "b.monitor", "", 3, 3}, {24, "virtual.monitor", "", 4, 4}, {25, "c.monitor", "", 5, 5}};
    g.SinkInputs = {{2, 4}, {3, 7}, {5, 8}, {0, UINT32_MAX}};  // module 7: a loopback into b; 8: b into c
    g.SourceOutputs = {{22, 7}, {23, 8}, {10, UINT32_MAX}};
    struct Case {
        const char* sink;
        const char* source;
        bool reaches;
    } cases[] = {
        {"speakers", "speakers.monitor", true},  // its own monitor
        {"speakers", "mic", false},              // same card, no stream carries it
        {"speakers", "a.monitor", false},
        {"a", "b.monitor", true},        // a loopback from a's monitor into b
        {"a", "c.monitor", true},        // and on from b into c
        {"b", "a.monitor", false},       // loopbacks go one way
        {"virtual", "a.monitor", true},  // a virtual output plays into a
        {"c", "a.monitor", false},
        {"nowhere", "a.monitor", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SoundReaches(g, c.sink, c.source), c.reaches) << c.sink << " -> " << c.source;
}

// ffmpeg's sine source plays at an eighth of full scale: RMS 1/8/sqrt(2).
const double kToneDb = 20 * std::log10(0.125 / std::sqrt(2.0));
// The built-in test tone is that sine spread over two channels, each 3 dB down.
const double kBuiltInToneDb = kToneDb - 10 * std::log10(2.0);

class SoundRouting : public test::EngineTest {
protected:
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
        const int endedBefore = events_.ended;
        Begin(name, OutputFormat::Wave, CaptureMode::AudioOnly, seconds);
        WaitForEnd(endedBefore + 1);
        EXPECT_EQ(events_.ended, endedBefore + 1);
        return Path(name);
    }
    // The RMS level the null sink's monitor carries now, read by a second listener.
    double MonitorLevelDb(int ms) {
        const std::string path = Path("monitor.wav");
        const std::string cmd = "timeout " + std::to_string(ms / 1000.0) +
                                " parecord --device=nullsink.monitor --file-format=wav " + path + " >/dev/null 2>&1";
        int rc = std::system(cmd.c_str());
        (void)rc;
        return MeasureSound(path, 0.2).rmsDb;
    }

    void SelectAudio(const std::string& url) {
        const int32_t index = test::DeviceIndex(engine_->Core().AudioDevices(), url);
        ASSERT_GE(index, 0) << url;
        engine_->AudioInputs().SetSelected(index);
        ASSERT_EQ(engine_->Core().SelectedAudioDevice()->Url, url);
    }
    void SelectOutput(const std::string& url) {
        engine_->AudioRendererList().SetSelected(test::DeviceIndex(engine_->Core().AudioOutputs(), url));
    }
    // Waits until the preview's sound has decided, and gives what it decided.
    PreviewSound::State Settled() {
        PumpUntil([&] { return engine_->PreviewSoundState() != PreviewSound::State::Starting; }, 5000);
        Pump(300);
        return engine_->PreviewSoundState();
    }
};

TEST_F(SoundRouting, EveryChoiceOfInputOutputAndPreviewSourcePlaysOnlyWhereNoLoopResults) {
    engine_->SetPreviewOn(true);
    struct Case {
        const char* input;   // server source, or "" for the test tone
        const char* output;  // "" for "Default"
        int previewSource;
        bool heard;          // the null output carries the preview's sound
    } cases[] = {
        {"nullsink.monitor", "", 0, false},       {"nullsink.monitor", "", 2, false},
        {"nullsink.monitor", "nullsink", 0, false}, {"nullsink.monitor", "nullsink", 2, false},
        {"", "", 0, true},                        {"", "nullsink", 2, true},
        {"", "nullsink", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " into '" + c.output + "', preview source " + std::to_string(c.previewSource));
        if (*c.input) SelectAudio(c.input);
        else test::UseTestTone(*engine_);
        SelectOutput(c.output);
        engine_->SetPreviewInput(c.previewSource);
        Pump(300);  // the next block of sound puts the new choice in place
        const PreviewSound::State state = Settled();
        if (c.previewSource != 1) {
            EXPECT_EQ(state, c.heard ? PreviewSound::State::Playing : PreviewSound::State::HeldBack);
        }
        // Sound that is to be heard may take a moment to start on a busy machine.
        double level = MonitorLevelDb(1500);
        for (int tries = 0; c.heard && level < -60 && tries < 4; ++tries) level = MonitorLevelDb(1500);
        if (c.heard) {
            // Gaps in the playback on a busy machine can only lower the level a little.
            EXPECT_LE(level, kBuiltInToneDb + 1.0) << "the preview's tone on the null output";
            EXPECT_GE(level, kBuiltInToneDb - 3.0) << "the preview's tone on the null output";
        } else {
            EXPECT_LT(level, -80) << "the null output carried the preview's sound";
        }
    }
}

TEST_F(SoundRouting, TheDefaultOutputAndLoopbacksAreFollowedAsTheyChange) {
    // A second output, made the default: recording the null output's monitor and hearing
    // the preview on the other one is safe.
    const std::string other = pelta::test::Pactl("load-module module-null-sink sink_name=other");
    ASSERT_FALSE(other.empty());
    pelta::test::Pactl("set-default-sink other");
    engine_->SetPreviewOn(true);
    SelectAudio("nullsink.monitor");
    SelectOutput("");
    EXPECT_EQ(Settled(), PreviewSound::State::Playing);
    // Default back on the recorded output: held back at once.
    pelta::test::Pactl("set-default-sink nullsink");
    EXPECT_TRUE(PumpUntil([&] { return engine_->PreviewSoundState() == PreviewSound::State::HeldBack; }));
    EXPECT_LT(MonitorLevelDb(1200), -80);
    // The other output again, but a loopback carries it into the recorded one.
    pelta::test::Pactl("set-default-sink other");
    EXPECT_TRUE(PumpUntil([&] { return engine_->PreviewSoundState() == PreviewSound::State::Playing; }));
    const std::string loop = pelta::test::Pactl("load-module module-loopback source=other.monitor sink=nullsink");
    ASSERT_FALSE(loop.empty());
    EXPECT_TRUE(PumpUntil([&] { return engine_->PreviewSoundState() == PreviewSound::State::HeldBack; }));
    pelta::test::Pactl("unload-module " + loop);
    EXPECT_TRUE(PumpUntil([&] { return engine_->PreviewSoundState() == PreviewSound::State::Playing; }));
    pelta::test::Pactl("set-default-sink nullsink");
    pelta::test::Pactl("unload-module " + other);
}

TEST_F(SoundRouting, DefaultsRecordTheToneAtItsLevelAndNothingAfterIt) {
    StartAsTheProgramDoes();
    const int tone = pelta::test::StartToneIntoNullSink(6);
    // The tone is heard before the capture starts.
    PumpUntil([&] { return engine_->SoundLevel() >= 0.05; }, 10000);
    // Held back, the sound's level is drawn along the bottom of the picture instead.
    EXPECT_EQ(engine_->PreviewSoundState(), PreviewSound::State::HeldBack);
    engine_->resize(320, 240);
    engine_->show();
    PumpUntil([&] { return engine_->grab().toImage().pixelColor(4, 236).green() > 150; });
    const QColor meter = engine_->grab().toImage().pixelColor(4, 236);
    EXPECT_GT(meter.green(), 150) << "no level meter drawn";
    EXPECT_LT(meter.red(), 100);
    const auto during = MeasureSound(RecordWav("during.wav", 3), 0.3, 2.8);
    ASSERT_TRUE(during.ok);
    EXPECT_NEAR(during.rmsDb, kToneDb, 1.0) << "the tone as recorded, dB";
    pelta::test::WaitForExit(tone);
    Pump(3000);
    const auto after = MeasureSound(RecordWav("after.wav", 2));
    ASSERT_TRUE(after.ok);
    EXPECT_GT(after.seconds, 1.5);
    EXPECT_LT(after.rmsDb, -80) << "3 s after the tone stopped, dB";
    EXPECT_TRUE(events_.errors.empty());
    std::printf("[          ] tone %.2f dB recorded at %.2f dB; 3 s after it: %.1f dB\n", kToneDb, during.rmsDb,
                after.rmsDb);
}

}  // namespace
