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

// Pictures in Motion JPEG and sound, ended by the time limit at its length to within a picture.
TEST_F(CaptureFiles, VideoAndSoundIntoAviEndedByTheTimeLimit) {
    ASSERT_TRUE(engine_->ModeAvailable(CaptureMode::VideoAndAudio));
    engine_->VideoCompressorList().SetSelected(test::IndexNamed(engine_->VideoCompressorList(), "Motion JPEG"));
    const int progress = events_.progress, ended = events_.ended;
    Begin("both.avi", OutputFormat::Avi, CaptureMode::VideoAndAudio, 2.0);
    EXPECT_EQ(engine_->EngineState(), EngineStateCode::Capturing);
    ASSERT_TRUE(WaitForStart(progress, ended));
    ASSERT_TRUE(WaitForEnd()) << "the time limit did not end the capture";
    const Probe p = ProbeFile(Path("both.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.streams, 2);
    EXPECT_EQ(p.videoCodec, "mjpeg");
    EXPECT_EQ(p.audioCodec, "pcm_s16le");
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.sampleRate, 48000);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_GT(engine_->FramesCaptured(), 30);
    EXPECT_NEAR(p.duration, 2.0, 1.0 / 30 + 0.01);
    // Every byte of the file is counted (the status bar's MB/sec), more than the pictures.
    EXPECT_EQ(engine_->FileBytesWritten(), int64_t(std::filesystem::file_size(Path("both.avi"))));
    EXPECT_GT(engine_->FileBytesWritten(), int64_t(engine_->MeanFrameBytes()) * engine_->FramesCaptured());
    EXPECT_TRUE(events_.errors.empty());
    EXPECT_GE(events_.progress, 4);
    EXPECT_EQ(events_.ended, 1);
    engine_->EndCapture();  // harmless when idle, twice too
    engine_->EndCapture();
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

// Sound only, each file ended by the time limit at its length.
TEST_F(CaptureFiles, SoundOnlyIntoWavAndMp3EndedByTheTimeLimit) {
    struct Case {
        const char* name;
        int32_t format;
        const char* codec;
        double within;  // an MP3 ends on a whole frame of its own
    };
    for (const Case c : {Case{"tone.wav", OutputFormat::Wave, "pcm_s16le", 0.05},
                         Case{"tone.mp3", OutputFormat::Mp3, "mp3", 0.1}}) {
        SCOPED_TRACE(c.name);
        events_ = {};
        Begin(c.name, c.format, CaptureMode::AudioOnly, 1.0);
        ASSERT_TRUE(WaitForEnd()) << "the time limit did not end the capture";
        const Probe p = ProbeFile(Path(c.name));
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.videoStreams, 0);
        EXPECT_EQ(p.audioStreams, 1);
        EXPECT_EQ(p.audioCodec, c.codec);
        EXPECT_EQ(p.sampleRate, 48000);
        EXPECT_NEAR(p.duration, 1.0, c.within);
    }
}

TEST_F(CaptureFiles, VideoIntoWavIsRefusedBeforeAnythingIsWritten) {
    Target("video.wav", OutputFormat::Wave);
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::VideoOnly), EngineError);
    EXPECT_FALSE(std::filesystem::exists(Path("video.wav")));
    engine_->SetOutputFormat(OutputFormat::Asf);  // a format this engine does not write
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::VideoAndAudio), EngineError);
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::AudioOnly), EngineError);
    EXPECT_EQ(events_.ended, 0);
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

// Each grab is one picture. Without sound it is one frame of a 10 frames-per-second film,
// however long apart the grabs were; with sound it shows from when it was grabbed (against
// the sound, to a frame and some jitter) until the next.
TEST_F(FrameSequences, ManualSequenceKeepsEachGrabbedPicture) {
    struct Case {
        int32_t mode;
        std::vector<int> waits;  // ms before each grab
    };
    for (const Case& c : {Case{CaptureMode::ManualFrames, {150, 150, 150, 150, 150}},
                          Case{CaptureMode::ManualFramesAudio, {300, 700, 250, 1100, 450}}}) {
        const bool sound = c.mode == CaptureMode::ManualFramesAudio;
        SCOPED_TRACE(sound ? "with sound" : "pictures only");
        const char* name = sound ? "manual-sound.avi" : "manual.avi";
        Target(name, OutputFormat::Avi);
        ASSERT_TRUE(engine_->ModeAvailable(c.mode));
        engine_->BeginCapture(c.mode);
        QElapsedTimer t;
        t.start();
        std::vector<double> grabbedAt;
        for (int wait : c.waits) {
            Pump(wait);
            grabbedAt.push_back(t.elapsed() / 1000.0);
            engine_->GrabFrame();
        }
        if (!sound) test::PumpUntil([&] { return engine_->FramesCaptured() >= 5; });
        const double seen = grabbedAt.back() + RunFor(sound ? 600 : 0);
        const double elapsed = engine_->ElapsedSeconds();
        EXPECT_EQ(engine_->FramesCaptured(), 5);
        const Probe p = ProbeFile(Path(name));
        ASSERT_TRUE(p.ok);
        EXPECT_TRUE(p.readToEnd);
        EXPECT_EQ(p.videoFrames, 5);
        if (!sound) {
            EXPECT_EQ(p.audioStreams, 0);
            EXPECT_EQ(av_cmp_q(p.videoRate, AVRational{kSequenceFramesPerSecond, 1}), 0)
                << p.videoRate.num << "/" << p.videoRate.den;
            EXPECT_NEAR(p.videoLength, 5.0 / kSequenceFramesPerSecond, 1e-6);
            continue;
        }
        EXPECT_NEAR(elapsed, seen, 0.3);
        ExpectTracksAgree(p, elapsed);
        // An AVI cannot start later than its first frame: that one shows from the start.
        ASSERT_EQ(p.pictureTimes.size(), grabbedAt.size());
        EXPECT_EQ(p.pictureTimes[0], 0.0);
        for (size_t i = 1; i < grabbedAt.size(); ++i) EXPECT_NEAR(p.pictureTimes[i], grabbedAt[i], 0.15) << "picture " << i;
    }
}

// A picture every 0.3 s, the first at the start; with sound the pictures keep in step with it.
TEST_F(FrameSequences, AutomaticSequenceTakesOneFrameEveryGap) {
    engine_->SetFrameGapSeconds(0.3);
    for (const int32_t mode : {CaptureMode::AutoFrames, CaptureMode::AutoFramesAudio}) {
        const bool sound = mode == CaptureMode::AutoFramesAudio;
        SCOPED_TRACE(sound ? "with sound" : "pictures only");
        const char* name = sound ? "auto-sound.avi" : "auto.avi";
        Target(name, OutputFormat::Avi);
        engine_->BeginCapture(mode);
        RunFor(3000);
        const double elapsed = engine_->ElapsedSeconds();
        const Probe p = ProbeFile(Path(name));
        ASSERT_TRUE(p.ok);
        EXPECT_TRUE(p.readToEnd);
        EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
        EXPECT_NEAR(double(p.videoFrames), elapsed / 0.3 + 1, 1.5) << "after " << elapsed << " s";
        EXPECT_EQ(av_cmp_q(p.videoRate, AVRational{kSequenceFramesPerSecond, 1}), 0)
            << p.videoRate.num << "/" << p.videoRate.den;
        if (!sound) {
            EXPECT_EQ(p.audioStreams, 0);
            // Played one after the other: the film is frames / 10 s long, no frame held longer.
            EXPECT_NEAR(p.videoLength, double(p.videoFrames) / kSequenceFramesPerSecond, 1e-6);
            continue;
        }
        ExpectTracksAgree(p, elapsed);
        // A picture every 0.3 s of sound: three frames of the film apart, one either way for jitter.
        ASSERT_GE(p.pictureTimes.size(), 2u);
        for (size_t i = 1; i < p.pictureTimes.size(); ++i)
            EXPECT_NEAR(p.pictureTimes[i] - p.pictureTimes[i - 1], 0.3, 0.1 + 1e-6) << "picture " << i;
    }
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

// The real devices: a region of the Xvfb screen and what the null sink plays.
TEST_F(CaptureFiles, TheScreenAndTheSoundServersMonitorIntoAviAndWav) {
    auto& v = engine_->VideoInputs();
    const int screen = test::IndexContaining(v, "Screen 0");
    const int monitor = test::IndexContaining(engine_->AudioInputs(), "onitor");
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
