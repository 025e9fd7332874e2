// Captures from the built-in devices into real files, read back with libavformat.
#include "EngineTest.h"
#include "RecordProbe.h"
#include "engine/core/record/CaptureSession.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>
#include <vector>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Probe;
using pelta::test::ProbeFile;
using pelta::test::Pump;

namespace {

class CaptureFiles : public test::EngineTest {
protected:
    // The built-ins need no services; the screen and monitor test skips itself without them.
    CaptureFiles() : EngineTest(test::Needs::Nothing) {}
    void Ready() override {
        EngineTest::Ready();
        test::UseTestPattern(*engine_, 1);  // 640x480
        test::UseTestTone(*engine_);
    }
    // A capture of about `ms` into Path(name), ended by hand; the file read back.
    Probe Record(const char* name, int32_t format, int32_t mode, int ms) {
        Target(name, format);
        engine_->PrepareCapture(mode);
        const int progress = events_.progress, ended = events_.ended;
        engine_->BeginCapture(mode);
        EXPECT_EQ(engine_->EngineState(), EngineStateCode::Capturing);
        EXPECT_TRUE(WaitForStart(progress, ended));
        Pump(ms);
        EXPECT_TRUE(End());
        return ProbeFile(Path(name));
    }
    // Video only into an AVI that the time limit ends; waits for the end and reads it back.
    Probe RecordUntilLimit(const char* name, double seconds) {
        Begin(name, OutputFormat::Avi, CaptureMode::VideoOnly, seconds);
        EXPECT_TRUE(WaitForEnd()) << "the time limit did not end the capture";
        return ProbeFile(Path(name));
    }
};

TEST_F(CaptureFiles, VideoAndSoundIntoAvi) {
    Target("both.avi", OutputFormat::Avi);
    ASSERT_TRUE(engine_->ModeAvailable(CaptureMode::VideoAndAudio));
    const Probe p = Record("both.avi", OutputFormat::Avi, CaptureMode::VideoAndAudio, 2000);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.videoStreams, 1);
    EXPECT_EQ(p.audioStreams, 1);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_GT(engine_->FramesCaptured(), 30);
    EXPECT_NEAR(p.duration, engine_->ElapsedSeconds(), 0.5);
    // Every byte of the file is counted (the status bar's MB/sec), more than the pictures.
    EXPECT_EQ(engine_->FileBytesWritten(), int64_t(std::filesystem::file_size(Path("both.avi"))));
    EXPECT_GT(engine_->FileBytesWritten(), int64_t(engine_->MeanFrameBytes()) * engine_->FramesCaptured());
    EXPECT_GE(events_.progress, 4);
    EXPECT_EQ(events_.ended, 1);
    engine_->EndCapture();  // harmless when idle
    Pump(100);
    EXPECT_EQ(events_.ended, 1);
}

// A capture takes every picture itself, so the hub lets go of its newest one (which would
// keep a device buffer out of its pool); a still picture then comes from the capture.
TEST_F(CaptureFiles, DuringAVideoCaptureStillsComeFromTheCaptureNotTheHub) {
    Target("still.avi", OutputFormat::Avi);
    engine_->PrepareCapture(CaptureMode::VideoOnly);
    engine_->BeginCapture(CaptureMode::VideoOnly);
    ASSERT_TRUE(test::PumpUntil([&] { return engine_->FramesCaptured() > 3; }, 10000));
    AVFrame* held = engine_->Core().LatestVideoFrame();
    EXPECT_EQ(held, nullptr);
    av_frame_free(&held);
    const StillPicture still = engine_->StillPictureHandle();
    ASSERT_FALSE(still.IsNull());
    EXPECT_EQ(still.Width, 640);
    EXPECT_EQ(still.Height, 480);
    engine_->EndCapture();
    EXPECT_TRUE(test::PumpUntil([&] {
        AVFrame* f = engine_->Core().LatestVideoFrame();
        const bool back = f != nullptr;
        av_frame_free(&f);
        return back;
    }, 5000));
}

TEST_F(CaptureFiles, SoundOnlyIntoWavAndMp3) {
    Probe wav = Record("tone.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 1500);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.videoStreams, 0);
    EXPECT_EQ(wav.audioStreams, 1);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_GT(wav.duration, 1.0);

    Probe mp3 = Record("tone.mp3", OutputFormat::Mp3, CaptureMode::AudioOnly, 1500);
    ASSERT_TRUE(mp3.ok);
    EXPECT_EQ(mp3.audioCodec, "mp3");
    EXPECT_GT(mp3.duration, 1.0);
}

TEST_F(CaptureFiles, VideoIntoWavIsRefusedBeforeAnythingIsWritten) {
    Target("video.wav", OutputFormat::Wave);
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::VideoOnly), EngineError);
    EXPECT_FALSE(std::filesystem::exists(Path("video.wav")));
    engine_->SetOutputFormat(OutputFormat::Asf);
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::VideoAndAudio), EngineError);
}

TEST_F(CaptureFiles, ManualSequenceKeepsEachGrabbedFrame) {
    Target("seq.avi", OutputFormat::Avi);
    engine_->SetTimeLimitOn(false);
    engine_->BeginCapture(CaptureMode::ManualFrames);
    for (int i = 0; i < 5; ++i) {
        Pump(150);
        engine_->GrabFrame();
    }
    test::PumpUntil([&] { return engine_->FramesCaptured() >= 5; });
    EXPECT_TRUE(End());
    EXPECT_EQ(engine_->FramesCaptured(), 5);
    const Probe p = ProbeFile(Path("seq.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.videoFrames, 5);
    EXPECT_EQ(p.audioStreams, 0);
    // One grab is one frame of a 10 frames-per-second film, however long apart the grabs were.
    EXPECT_EQ(av_cmp_q(p.videoRate, AVRational{kSequenceFramesPerSecond, 1}), 0)
        << p.videoRate.num << "/" << p.videoRate.den;
    EXPECT_NEAR(p.videoLength, 5.0 / kSequenceFramesPerSecond, 1e-6);
}

// Frame sequences: how many pictures, at what rate, and how they line up with the sound.
class FrameSequences : public CaptureFiles {
protected:
    // The devices were just opened: let them deliver before the first picture is taken.
    void Ready() override {
        CaptureFiles::Ready();
        Pump(500);
    }
    // Waits `ms` while the capture runs, then ends it; returns the seconds from the start of
    // the capture to its end as seen from here.
    double RunFor(int ms) {
        QElapsedTimer t;
        t.start();
        Pump(ms);
        const int ended = events_.ended;
        engine_->EndCapture();
        const double seen = t.elapsed() / 1000.0;
        WaitForEnd(ended + 1);
        return seen;
    }
    static void ExpectTracksAgree(const Probe& p, double elapsed) {
        EXPECT_EQ(p.videoStreams, 1);
        EXPECT_EQ(p.audioStreams, 1);
        // The sound runs the whole capture ...
        EXPECT_NEAR(p.audioEnd, elapsed, 0.25) << "sound read back against the capture's time";
        // ... and the last picture stays on screen until it ends.
        EXPECT_NEAR(p.videoLength, p.audioLength, 1.0 / kSequenceFramesPerSecond + 1e-6)
            << "video " << p.videoLength << " s, sound " << p.audioLength << " s";
    }
};

TEST_F(FrameSequences, AutomaticSequenceTakesOneFrameEveryGap) {
    Target("auto.avi", OutputFormat::Avi);
    engine_->SetFrameGapSeconds(0.3);
    engine_->BeginCapture(CaptureMode::AutoFrames);
    RunFor(3000);
    const double elapsed = engine_->ElapsedSeconds();
    const Probe p = ProbeFile(Path("auto.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_EQ(p.audioStreams, 0);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    // The first picture is taken at the start, then one every 0.3 s.
    EXPECT_NEAR(double(p.videoFrames), elapsed / 0.3 + 1, 1.5) << "after " << elapsed << " s";
    EXPECT_EQ(av_cmp_q(p.videoRate, AVRational{kSequenceFramesPerSecond, 1}), 0)
        << p.videoRate.num << "/" << p.videoRate.den;
    // Played one after the other: the film is frames / 10 s long, no frame held longer.
    EXPECT_NEAR(p.videoLength, double(p.videoFrames) / kSequenceFramesPerSecond, 1e-6);
}

TEST_F(FrameSequences, ManualSequenceWithSoundHoldsEachPictureUntilTheNext) {
    Target("manual-sound.avi", OutputFormat::Avi);
    ASSERT_TRUE(engine_->ModeAvailable(CaptureMode::ManualFramesAudio));
    engine_->BeginCapture(CaptureMode::ManualFramesAudio);
    QElapsedTimer t;
    t.start();
    std::vector<double> grabbedAt;
    for (int wait : {300, 700, 250, 1100, 450}) {
        Pump(wait);
        grabbedAt.push_back(t.elapsed() / 1000.0);
        engine_->GrabFrame();
    }
    const double seen = grabbedAt.back() + RunFor(600);
    const double elapsed = engine_->ElapsedSeconds();
    EXPECT_NEAR(elapsed, seen, 0.3);
    EXPECT_EQ(engine_->FramesCaptured(), 5);
    const Probe p = ProbeFile(Path("manual-sound.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_EQ(p.videoFrames, 5);
    ExpectTracksAgree(p, elapsed);
    // Each picture appears when it was grabbed (against the sound), to a frame and some jitter.
    // An AVI cannot start later than its first frame: that one shows from the start.
    ASSERT_EQ(p.pictureTimes.size(), grabbedAt.size());
    EXPECT_EQ(p.pictureTimes[0], 0.0);
    for (size_t i = 1; i < grabbedAt.size(); ++i) {
        EXPECT_NEAR(p.pictureTimes[i], grabbedAt[i], 0.15) << "picture " << i;
    }
}

TEST_F(FrameSequences, AutomaticSequenceWithSoundKeepsThePicturesInStep) {
    Target("auto-sound.avi", OutputFormat::Avi);
    engine_->SetFrameGapSeconds(0.3);
    engine_->BeginCapture(CaptureMode::AutoFramesAudio);
    RunFor(3000);
    const double elapsed = engine_->ElapsedSeconds();
    const Probe p = ProbeFile(Path("auto-sound.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_NEAR(double(p.videoFrames), elapsed / 0.3 + 1, 1.5) << "after " << elapsed << " s";
    ExpectTracksAgree(p, elapsed);
    // A picture every 0.3 s of sound: three frames of the film apart, one either way for jitter.
    ASSERT_GE(p.pictureTimes.size(), 2u);
    for (size_t i = 1; i < p.pictureTimes.size(); ++i) {
        EXPECT_NEAR(p.pictureTimes[i] - p.pictureTimes[i - 1], 0.3, 0.1 + 1e-6) << "picture " << i;
    }
}

TEST_F(CaptureFiles, TimeLimitEndsTheCaptureByItself) {
    const Probe p = RecordUntilLimit("limit.avi", 1.0);
    EXPECT_EQ(events_.ended, 1);
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.duration, 1.0, 0.1);
}

// Any rate the capture dialog takes (0.0 to 30.0) is one the engine records, also below one
// picture a second.
TEST_F(CaptureFiles, FrameRateOverrideWritesThatRate) {
    struct Case {
        double rate, seconds;
        int pictures;
        double lengthWithin;  // a slow rate ends at its last slot, up to a slot early
    };
    engine_->SetFrameRateOn(true);
    for (const Case c : {Case{10, 2, 20, 0.11}, Case{0.5, 4, 2, 2.01}}) {
        SCOPED_TRACE(c.rate);
        events_ = {};  // each capture waits for its own end
        engine_->SetFrameRateValue(c.rate);
        const Probe p = RecordUntilLimit(c.rate > 1 ? "rate.avi" : "slow.avi", c.seconds);
        ASSERT_TRUE(p.ok);
        EXPECT_NEAR(p.videoFrames, c.pictures, 1);
        EXPECT_NEAR(p.duration, c.seconds, c.lengthWithin);
        EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    }
}

}  // namespace

namespace {

// Asked for 60 pictures a second, the pattern itself runs at 60: none is repeated.
TEST_F(CaptureFiles, SixtyFramesASecondComeFromTheDeviceItself) {
    engine_->SetFrameRateOn(true);
    engine_->SetFrameRateValue(60);
    VideoFormat during;
    // Read while the capture runs: the device was reopened at the capture's rate.
    QTimer::singleShot(300, [&] { during = engine_->Core().CurrentVideoFormat(); });
    const Probe p = RecordUntilLimit("sixty.avi", 2);
    EXPECT_EQ(av_cmp_q(during.FrameRate, AVRational{60, 1}), 0);
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.videoFrames, 120, 1);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_LE(engine_->FramesDropped(), 3);
    // The next capture without the override gets the device's own rate back.
    engine_->SetFrameRateOn(false);
    engine_->SetTimeLimitSeconds(0.5);
    const int progress = events_.progress, ended = events_.ended;
    engine_->BeginCapture(CaptureMode::VideoOnly);
    ASSERT_TRUE(WaitForStart(progress, ended));
    EXPECT_EQ(av_cmp_q(engine_->Core().CurrentVideoFormat().FrameRate, AVRational{30, 1}), 0);
    engine_->EndCapture();
}

}  // namespace

namespace {

int IndexContaining(DeviceList& list, const std::string& part) {
    for (int32_t i = 0; i < list.Count(); ++i)
        if (list.Item(i).DisplayName.find(part) != std::string::npos) return i;
    return -1;
}

// The real devices: a region of the Xvfb screen and what the null sink plays.
TEST_F(CaptureFiles, TheScreenAndTheSoundServersMonitorIntoAviAndWav) {
    auto& v = engine_->VideoInputs();
    const int screen = IndexContaining(v, "Screen 0");
    const int monitor = IndexContaining(engine_->AudioInputs(), "onitor");
    PELTA_NEEDS_SERVICE(screen >= 0, "the private display (Xvfb)");
    PELTA_NEEDS_SERVICE(monitor >= 0, "the private sound server (PulseAudio)");
    v.SetSelected(screen);
    VideoSourceSettings region = engine_->Core().VideoSettings();
    region.RegionWidth = 640;
    region.RegionHeight = 360;
    engine_->Core().SetVideoSettings(region);
    engine_->AudioInputs().SetSelected(monitor);

    const Probe avi = Record("screen.avi", OutputFormat::Avi, CaptureMode::VideoAndAudio, 2000);
    ASSERT_TRUE(avi.ok);
    EXPECT_EQ(avi.width, 640);
    EXPECT_EQ(avi.height, 360);
    EXPECT_EQ(avi.audioStreams, 1);
    EXPECT_EQ(avi.sampleRate, 48000);
    EXPECT_EQ(avi.videoFrames, engine_->FramesCaptured());
    EXPECT_GT(engine_->FramesCaptured(), 40);
    EXPECT_NEAR(avi.audioLength, avi.videoLength, 0.1);

    const Probe wav = Record("monitor.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 1500);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.audioCodec, "pcm_s16le");
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_NEAR(wav.duration, 1.5, 0.4);
}

}  // namespace
