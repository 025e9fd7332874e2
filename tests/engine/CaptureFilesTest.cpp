// Captures from the built-in devices into real files, read back with libavformat.
#include "EngineTest.h"
#include "RecordProbe.h"
#include "engine/core/record/CaptureSession.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Probe;
using pelta::test::ProbeFile;
using pelta::test::Pump;

namespace {

// The tracks a file read back holds; a codec left empty is not checked.
struct Tracks {
    int video, audio;
    std::string videoCodec, audioCodec;
    int width, height, sampleRate;
};
void ExpectTracks(const Probe& p, const Tracks& t) {
    ASSERT_TRUE(p.ok) << "the file did not open";
    EXPECT_EQ(std::tuple(p.streams, p.videoStreams, p.audioStreams, p.width, p.height, p.sampleRate),
              std::tuple(t.video + t.audio, t.video, t.audio, t.width, t.height, t.sampleRate));
    EXPECT_EQ(p.videoCodec, t.videoCodec.empty() ? p.videoCodec : t.videoCodec);
    EXPECT_EQ(p.audioCodec, t.audioCodec.empty() ? p.audioCodec : t.audioCodec);
}

class CaptureFiles : public test::EngineTest {
protected:
    // The built-ins need no services; the screen and monitor test skips itself without them.
    CaptureFiles() : EngineTest(test::Needs::Nothing) {}
    void Ready() override {
        EngineTest::Ready();
        test::UseTestPattern(*engine_, 1);  // 640x480
        test::UseTestTone(*engine_);
    }
    // A capture into Path(name), running at once, ended by its time limit of `seconds` (or by
    // hand after about `ms` without one); the file read back. `during_` is the device's
    // format 300 ms into the capture.
    Probe Record(const char* name, int32_t format, int32_t mode, double seconds, int ms = 0) {
        const int progress = events_.progress, ended = events_.ended;
        const size_t errors = events_.errors.size();
        QTimer::singleShot(300, engine_.get(), [this] { during_ = engine_->Core().CurrentVideoFormat(); });
        Begin(name, format, mode, seconds);
        EXPECT_EQ(engine_->EngineState(), EngineStateCode::Capturing);
        EXPECT_TRUE(WaitForStart(progress, ended));
        if (seconds > 0) {
            EXPECT_TRUE(WaitForEnd(ended + 1)) << "the time limit did not end the capture";
        } else {
            Pump(ms);
            EXPECT_TRUE(End());
        }
        EXPECT_EQ(events_.errors.size(), errors);
        return ProbeFile(Path(name));
    }
    // Whether the hub holds a picture of the device's.
    bool HubHoldsAPicture() {
        AVFrame* f = engine_->Core().LatestVideoFrame();
        const bool held = f != nullptr;
        av_frame_free(&f);
        return held;
    }

    VideoFormat during_;
};

// Each file ended by its time limit at its length: pictures in Motion JPEG with sound (to
// within a picture), and sound alone (an MP3 ends on a whole frame of its own).
TEST_F(CaptureFiles, TheTimeLimitEndsEachFileAtItsLength) {
    struct Case {
        const char* name;
        int32_t format, mode;
        double seconds, within;
        Tracks tracks;
    };
    ASSERT_TRUE(engine_->ModeAvailable(CaptureMode::VideoAndAudio));
    engine_->VideoCompressorList().SetSelected(test::IndexNamed(engine_->VideoCompressorList(), "Motion JPEG"));
    for (const Case& c : {Case{"both.avi", OutputFormat::Avi, CaptureMode::VideoAndAudio, 2.0, 1.0 / 30 + 0.01,
                               {1, 1, "mjpeg", "pcm_s16le", 640, 480, 48000}},
                          Case{"tone.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 1.0, 0.05,
                               {0, 1, "", "pcm_s16le", 0, 0, 48000}},
                          Case{"tone.mp3", OutputFormat::Mp3, CaptureMode::AudioOnly, 1.0, 0.1,
                               {0, 1, "", "mp3", 0, 0, 48000}}}) {
        SCOPED_TRACE(c.name);
        const int progress = events_.progress, ended = events_.ended;
        const Probe p = Record(c.name, c.format, c.mode, c.seconds);
        ExpectTracks(p, c.tracks);
        EXPECT_NEAR(p.duration, c.seconds, c.within);
        engine_->EndCapture();  // harmless when idle, twice too
        engine_->EndCapture();
        Pump(100);
        EXPECT_EQ(events_.ended, ended + 1);
        if (!c.tracks.video) continue;
        EXPECT_EQ(p.videoSlots, 60);  // every slot of the limit at 30 a second, the last one too
        EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
        EXPECT_GT(engine_->FramesCaptured(), 30);
        EXPECT_GE(events_.progress, progress + 4);
        // Every byte of the file is counted (the status bar's MB/sec), more than the pictures.
        EXPECT_EQ(engine_->FileBytesWritten(), int64_t(std::filesystem::file_size(Path(c.name))));
        EXPECT_GT(engine_->FileBytesWritten(), int64_t(engine_->MeanFrameBytes()) * engine_->FramesCaptured());
    }
}

// A capture takes every picture itself, so the hub lets go of its newest one (which would
// keep a device buffer out of its pool); a still picture then comes from the capture.
TEST_F(CaptureFiles, DuringAVideoCaptureStillsComeFromTheCaptureNotTheHub) {
    Begin("still.avi", OutputFormat::Avi, CaptureMode::VideoOnly);
    ASSERT_TRUE(test::PumpUntil([&] { return engine_->FramesCaptured() > 3; }, 10000));
    EXPECT_FALSE(HubHoldsAPicture());
    const StillPicture still = engine_->StillPictureHandle();
    ASSERT_FALSE(still.IsNull());
    EXPECT_EQ(std::pair(still.Width, still.Height), std::pair(640, 480));
    engine_->EndCapture();
    EXPECT_TRUE(test::PumpUntil([&] { return HubHoldsAPicture(); }, 5000));
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
        engine_->SetFrameRateValue(c.rate);
        const char* name = c.rate > 1 ? "rate.avi" : "slow.avi";
        const Probe p = Record(name, OutputFormat::Avi, CaptureMode::VideoOnly, c.seconds);
        ASSERT_TRUE(p.ok);
        EXPECT_NEAR(p.videoFrames, c.pictures, 1);
        EXPECT_EQ(p.videoSlots, c.pictures);  // the limit's slots, each a picture or a repeat
        EXPECT_NEAR(p.duration, c.seconds, c.lengthWithin);
        EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    }
}

// Asked for 60 pictures a second, the pattern itself runs at 60: none is repeated. The next
// capture without the override gets the device's own rate back.
TEST_F(CaptureFiles, SixtyFramesASecondComeFromTheDeviceItself) {
    engine_->SetFrameRateOn(true);
    engine_->SetFrameRateValue(60);
    const Probe p = Record("sixty.avi", OutputFormat::Avi, CaptureMode::VideoOnly, 2);
    EXPECT_EQ(av_cmp_q(during_.FrameRate, AVRational{60, 1}), 0);  // the device reopened at 60
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.videoFrames, 120, 1);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_LE(engine_->FramesDropped(), 3);
    engine_->SetFrameRateOn(false);
    Record("thirty.avi", OutputFormat::Avi, CaptureMode::VideoOnly, 0.5);
    EXPECT_EQ(av_cmp_q(during_.FrameRate, AVRational{30, 1}), 0);
}

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

    const Probe avi = Record("screen.avi", OutputFormat::Avi, CaptureMode::VideoAndAudio, 0, 2000);
    ExpectTracks(avi, {1, 1, "", "", 640, 360, 48000});
    EXPECT_EQ(avi.videoFrames, engine_->FramesCaptured());
    EXPECT_GT(engine_->FramesCaptured(), 40);
    EXPECT_NEAR(avi.audioLength, avi.videoLength, 0.1);

    const Probe wav = Record("monitor.wav", OutputFormat::Wave, CaptureMode::AudioOnly, 0, 1500);
    ExpectTracks(wav, {0, 1, "", "pcm_s16le", 0, 0, 48000});
    EXPECT_NEAR(wav.duration, 1.5, 0.4);
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
    // A sequence's file, read whole: `frames` pictures of a 10 frames-per-second film. Without
    // sound it is as long as its frames, no frame held longer; with sound, the sound runs the
    // whole capture (`elapsed`) and the last picture stays on screen until it ends.
    static void ExpectSequence(const Probe& p, int64_t frames, bool sound, double elapsed) {
        ASSERT_TRUE(p.ok);
        EXPECT_TRUE(p.readToEnd);
        EXPECT_EQ(p.videoFrames, frames);
        EXPECT_EQ(std::pair(p.videoStreams, p.audioStreams), std::pair(1, sound ? 1 : 0));
        EXPECT_EQ(av_cmp_q(p.videoRate, AVRational{kSequenceFramesPerSecond, 1}), 0)
            << p.videoRate.num << "/" << p.videoRate.den;
        if (!sound) {
            EXPECT_NEAR(p.videoLength, double(frames) / kSequenceFramesPerSecond, 1e-6);
            return;
        }
        EXPECT_NEAR(p.audioEnd, elapsed, 0.25) << "sound read back against the capture's time";
        EXPECT_NEAR(p.videoLength, p.audioLength, 1.0 / kSequenceFramesPerSecond + 1e-6)
            << "video " << p.videoLength << " s, sound " << p.audioLength << " s";
    }
};

// Without sound each picture is one frame of a 10 frames-per-second film, however long apart
// the pictures were taken; with sound each shows from when it was taken (against the sound,
// to a frame and some jitter) until the next. By hand each grab is one picture; automatically
// a picture is taken every 0.3 s, the first at the start.
TEST_F(FrameSequences, EachPictureTakenIsOneFrameOfTheFilm) {
    struct Case {
        int32_t mode;
        const char* name;
        bool sound;
        std::vector<int> waits;  // ms before each grab; none for an automatic sequence
    };
    engine_->SetFrameGapSeconds(0.3);
    for (const Case& c : {Case{CaptureMode::ManualFrames, "manual.avi", false, {150, 150, 150, 150, 150}},
                          Case{CaptureMode::ManualFramesAudio, "manual-sound.avi", true, {300, 700, 250, 1100, 450}},
                          Case{CaptureMode::AutoFrames, "auto.avi", false, {}},
                          Case{CaptureMode::AutoFramesAudio, "auto-sound.avi", true, {}}}) {
        SCOPED_TRACE(c.name);
        const bool manual = !c.waits.empty();
        Target(c.name, OutputFormat::Avi);
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
        if (manual && !c.sound) test::PumpUntil([&] { return engine_->FramesCaptured() >= 5; });
        const double seen = (manual ? grabbedAt.back() : 0) + RunFor(!manual ? 3000 : c.sound ? 600 : 0);
        const double elapsed = engine_->ElapsedSeconds();
        const Probe p = ProbeFile(Path(c.name));
        ExpectSequence(p, engine_->FramesCaptured(), c.sound, elapsed);
        if (!manual) {
            EXPECT_NEAR(double(p.videoFrames), elapsed / 0.3 + 1, 1.5) << "after " << elapsed << " s";
            if (!c.sound) continue;
            // A picture every 0.3 s of sound: three frames of the film apart, one either way for jitter.
            ASSERT_GE(p.pictureTimes.size(), 2u);
            for (size_t i = 1; i < p.pictureTimes.size(); ++i)
                EXPECT_NEAR(p.pictureTimes[i] - p.pictureTimes[i - 1], 0.3, 0.1 + 1e-6) << "picture " << i;
            continue;
        }
        EXPECT_EQ(engine_->FramesCaptured(), 5);
        if (!c.sound) continue;
        EXPECT_NEAR(elapsed, seen, 0.3);
        // An AVI cannot start later than its first frame: that one shows from the start.
        ASSERT_EQ(p.pictureTimes.size(), grabbedAt.size());
        EXPECT_EQ(p.pictureTimes[0], 0.0);
        for (size_t i = 1; i < grabbedAt.size(); ++i) EXPECT_NEAR(p.pictureTimes[i], grabbedAt[i], 0.15) << "picture " << i;
    }
}

}  // namespace
