// What the counters say against what the file holds: every slot of the video track is a
// captured picture or a counted drop, and the file keeps the processed picture's shape.
#include "EngineTest.h"
#include "RecordProbe.h"
#include "RecordTestHub.h"
#include "engine/CaptureEngine.h"
#include "engine/core/EngineCore.h"
#include "engine/core/record/CaptureSession.h"

#include "support/Pump.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sys/wait.h>
#include <thread>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Probe;
using pelta::test::ProbeFile;

namespace {

using Ended = test::RecordEvents;

// The file against the counters: pictures read back are the captured frames, each a new
// picture of the device (when the test hub numbered them), and the track's slots are
// those plus the dropped ones.
void ExpectCountsMatchFile(const std::string& path, int32_t captured, int32_t dropped, bool numbered = true) {
    const Probe p = ProbeFile(path);
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_EQ(p.videoFrames, captured);
    EXPECT_EQ(p.videoSlots, int64_t(captured) + dropped) << "slots in the file against captured + dropped";
    if (!numbered) return;
    const std::vector<int64_t> numbers = test::PictureNumbers(path);
    EXPECT_EQ(int64_t(numbers.size()), captured);
    for (size_t i = 1; i < numbers.size(); ++i)
        ASSERT_GT(numbers[i], numbers[i - 1]) << "picture " << i << " is not a new one";
}

// Three sound clocks, and the device skipping pictures: the empty slots are counted by
// cause whatever the master stream.
TEST(RecordDrops, EverySlotHoldsAPictureOrACountedDrop) {
    QTemporaryDir dir;
    struct Case {
        double soundClock;
        int32_t master;
    };
    const Case cases[] = {{1.05, -1}, {1.05, 0}, {1.05, 1}, {0.95, -1}};
    test::RecordTestHub fast(160, 120, 30, 44100), slow(160, 120, 30, 44100);
    fast.SetSoundClock(1.05);
    slow.SetSoundClock(0.95);
    Ended ended[4];
    std::vector<std::unique_ptr<CaptureSession>> sessions;
    for (int i = 0; i < 4; ++i) {
        auto s = std::make_unique<CaptureSession>(cases[i].soundClock > 1 ? fast : slow, ended[i].Poster());
        s->SetCaptureFileName(dir.filePath(QString("drops%1.avi").arg(i)).toStdString());
        s->VideoCompressorList().SetSelected(-1);  // raw pictures: each one readable
        s->SetMasterStreamIndex(cases[i].master);
        sessions.push_back(std::move(s));
    }
    // Without sound no drop is put down to the sound's clock.
    Ended videoOnlyEnded;
    CaptureSession videoOnly(fast, videoOnlyEnded.Poster());
    videoOnly.SetCaptureFileName(dir.filePath("videoonly.avi").toStdString());
    videoOnly.VideoCompressorList().SetSelected(-1);
    fast.Start();
    slow.Start();
    for (auto& s : sessions) s->BeginCapture(CaptureMode::VideoAndAudio);
    videoOnly.BeginCapture(CaptureMode::VideoOnly);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    fast.Skip(6);
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    for (auto& s : sessions) s->EndCaptureAndWait();
    videoOnly.EndCaptureAndWait();
    ASSERT_TRUE(videoOnlyEnded.WaitEnded(10));
    EXPECT_EQ(videoOnly.DroppedByCause().ClockCorrection, 0);
    EXPECT_GE(videoOnly.DroppedByCause().DeviceGaps, 6);
    ExpectCountsMatchFile(dir.filePath("videoonly.avi").toStdString(), videoOnly.FramesCaptured(),
                          videoOnly.FramesDropped());
    fast.Stop();
    slow.Stop();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("sound clock " + std::to_string(cases[i].soundClock) + ", master " + std::to_string(cases[i].master));
        ASSERT_TRUE(ended[i].WaitEnded(10));
        EXPECT_TRUE(ended[i].errors.empty());
        const DropCounts d = sessions[i]->DroppedByCause();
        EXPECT_EQ(sessions[i]->FramesDropped(), d.Total());
        ExpectCountsMatchFile(dir.filePath(QString("drops%1.avi").arg(i)).toStdString(),
                              sessions[i]->FramesCaptured(), sessions[i]->FramesDropped());
        if (cases[i].soundClock > 1) {
            EXPECT_GE(d.DeviceGaps, 6) << "the skipped pictures";
            if (cases[i].master != 0) {
                EXPECT_GT(d.ClockCorrection, 0);
            }
        } else {
            EXPECT_GT(d.Discarded, 0) << "a slow sound clock takes fewer pictures";
        }
        std::printf("[          ] clock %.2f master %d: %d captured, %d dropped (device %d, clock %d, encoder %d, "
                    "disk %d), %d discarded\n",
                    cases[i].soundClock, cases[i].master, sessions[i]->FramesCaptured(), sessions[i]->FramesDropped(),
                    d.DeviceGaps, d.ClockCorrection, d.EncoderBehind, d.DiskBehind, d.Discarded);
    }
}

// The device is late over the time limit (a busy machine), or silent until the limit's grace
// runs out: the file still ends at the limit, with or without sound, and the slots no
// picture came for are the device's drops.
TEST(RecordDrops, ADeviceLateOverTheTimeLimitStillEndsTheFileThere) {
    QTemporaryDir dir;
    for (const auto& [mode, skipped] : {std::pair{CaptureMode::VideoOnly, 30}, std::pair{CaptureMode::VideoAndAudio, 30},
                                       std::pair{CaptureMode::VideoOnly, 90}}) {
        SCOPED_TRACE(std::to_string(mode) + ", " + std::to_string(skipped) + " skipped");
        test::RecordTestHub hub(160, 120, 30, 44100);
        hub.FollowClock();
        Ended ended;
        CaptureSession s(hub, ended.Poster());
        const std::string path = dir.filePath(QString("late%1-%2.avi").arg(mode).arg(skipped)).toStdString();
        s.SetCaptureFileName(path);
        s.VideoCompressorList().SetSelected(-1);
        s.SetTimeLimitOn(true);
        s.SetTimeLimitSeconds(2);
        hub.Start();
        s.BeginCapture(mode);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        hub.Skip(skipped);  // the next picture comes past the limit, or after its grace
        ASSERT_TRUE(ended.WaitEnded(10));
        s.EndCaptureAndWait();
        hub.Stop();
        EXPECT_TRUE(ended.errors.empty());
        EXPECT_NEAR(ProbeFile(path).videoLength, 2.0, 1.0 / 30 + 1e-6);
        EXPECT_GE(s.DroppedByCause().DeviceGaps, 10);
        ExpectCountsMatchFile(path, s.FramesCaptured(), s.FramesDropped());
    }
}

// The device misses pictures right after the capture's first one (its first read of the
// device's buffer took long): the file starts after the gap instead of with that picture
// held over empty slots. Without a gap the first picture is the file's first.
TEST(RecordDrops, AGapAfterTheFirstPictureStartsTheFileAfterIt) {
    QTemporaryDir dir;
    for (const int gap : {0, 4}) {
        SCOPED_TRACE(std::to_string(gap) + " skipped");
        test::RecordTestHub hub(160, 120, 30, 44100);  // pictures keep their times: gaps only where skipped
        hub.GapAfterFirstListened(gap);
        Ended ended;
        CaptureSession s(hub, ended.Poster());
        const std::string path = dir.filePath(QString("first%1.avi").arg(gap)).toStdString();
        s.SetCaptureFileName(path);
        s.VideoCompressorList().SetSelected(-1);
        hub.Start();
        s.BeginCapture(CaptureMode::VideoOnly);
        ASSERT_TRUE(test::WaitUntil([&] { return s.FramesCaptured() >= 10; }));
        s.EndCaptureAndWait();
        hub.Stop();
        const std::vector<int64_t> numbers = test::PictureNumbers(path);
        ASSERT_FALSE(numbers.empty());
        EXPECT_EQ(numbers.front(), hub.FirstListened() + (gap > 0 ? gap + 1 : 0));
        EXPECT_EQ(s.DroppedByCause().DeviceGaps, 0);
        ExpectCountsMatchFile(path, s.FramesCaptured(), s.FramesDropped());
    }
}

// Run as a child by the next test: records the built-in devices until told to stop, then
// writes its counters beside the file.
TEST(RecordDropsChild, RecordsWhileStopped) {
    const char* out = std::getenv("PELTA_STOPPED_CAPTURE");
    if (!out) GTEST_SKIP() << "only run as the child of StoppedProcessKeepsTheCountsTrue";
    EngineCore core;
    test::UseTestPattern(core);
    test::UseTestTone(core);
    Ended ended;
    CaptureSession session(core, ended.Poster());
    session.VideoCompressorList().SetSelected(-1);
    session.SetCaptureFileName(out);
    session.BeginCapture(CaptureMode::VideoAndAudio);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    session.EndCaptureAndWait();
    std::ofstream(std::string(out) + ".counts") << session.FramesCaptured() << ' ' << session.FramesDropped();
}

// The whole program stopped for a second in the middle of a capture (a machine that is
// too busy does the same, less neatly).
TEST(RecordDrops, StoppedProcessKeepsTheCountsTrue) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("stopped.avi").toStdString();
    const pid_t pid = test::SpawnTest("RecordDropsChild.*", "PELTA_STOPPED_CAPTURE=" + file);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    kill(pid, SIGSTOP);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    kill(pid, SIGCONT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int32_t captured = -1, dropped = -1;
    std::ifstream(file + ".counts") >> captured >> dropped;
    ASSERT_GT(captured, 30);
    ExpectCountsMatchFile(file, captured, dropped, false);
    std::printf("[          ] stopped for 1 s: %d captured, %d dropped\n", captured, dropped);
}

// Rotated and cropped pictures keep their shape in the file; pictures that change shape
// during the capture are fitted in with bars, and every one is written.
TEST(RecordShape, TheFileTakesTheProcessedShapeAndFitsChangesWithBars) {
    QTemporaryDir dir;
    CaptureEngine engine;
    test::UseTestPattern(engine, 1);  // 640x480
    auto chain = processors::ParseChain("rotate:angle=0;crop:right=100", true);
    ASSERT_TRUE(chain.has_value());
    engine.VideoProcessors().SetChain(*chain);
    test::Pump(500);
    const std::string file = dir.filePath("turned.avi").toStdString();
    engine.SetCaptureFileName(file);
    engine.SetOutputFormat(OutputFormat::Avi);
    engine.VideoCompressorList().SetSelected(0);  // Motion JPEG
    engine.BeginCapture(CaptureMode::VideoOnly);
    test::Pump(1000);
    engine.VideoProcessors().SetChain({});  // back to 640x480 pictures in a 380x640 file
    test::Pump(1000);
    engine.EndCapture();
    ASSERT_TRUE(test::PumpUntil([&] { return engine.EngineState() != EngineStateCode::Capturing; }));
    const Probe p = ProbeFile(file);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.width, 380);
    EXPECT_EQ(p.height, 640);
    EXPECT_EQ(p.videoFrames, engine.FramesCaptured());

    // The last picture: 640x480 scaled to 380x285, with black above and below.
    std::vector<double> rows;  // mean brightness of each row
    test::ForEachPicture(file, [&](const AVFrame* f) {
        rows.assign(size_t(f->height), 0);
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width * 3; ++x) rows[size_t(y)] += f->data[0][y * f->linesize[0] + x] / (f->width * 3.0);
    });
    ASSERT_EQ(rows.size(), 640u);
    EXPECT_LT(rows[40], 12) << "a bar above the picture";
    EXPECT_LT(rows[600], 12) << "a bar below it";
    EXPECT_GT(rows[320], 40) << "the picture in the middle";
}

// Values the clocks of a capture cannot hold are refused with a reason, and the value
// before stays.
TEST(RecordValues, OnlyValuesACaptureCanHonourAreTaken) {
    test::RecordTestHub hub(160, 120, 30, 44100);
    CaptureSession s(hub, {});
    using Set = void (CaptureSession::*)(double);
    using Get = double (CaptureSession::*)() const;
    struct Case {
        Set set;
        Get get;
        double value;
        bool taken;
    };
    const Set rate = &CaptureSession::SetFrameRateValue, limit = &CaptureSession::SetTimeLimitSeconds,
              gap = &CaptureSession::SetFrameGapSeconds;
    const Get r = &CaptureSession::FrameRateValue, l = &CaptureSession::TimeLimitSeconds,
              g = &CaptureSession::FrameGapSeconds;
    const Case cases[] = {
        {rate, r, 25, true},    {rate, r, 0, true},          {rate, r, 1, true},         {rate, r, 1e-9, false},
        {rate, r, 0.0005, false}, {rate, r, 0.01, true}, {rate, r, 1001, false},      {rate, r, NAN, false},      {limit, l, 3600, true},
        {limit, l, 315360000, true}, {limit, l, 1e14, false}, {limit, l, 9.99e18, false}, {limit, l, INFINITY, false},
        {limit, l, -1, false},  {gap, g, 0.5, true},         {gap, g, 86400, true},      {gap, g, 9999999999, false},
        {gap, g, 0, false},     {gap, g, NAN, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const double before = (s.*c.get)();
        if (c.taken) {
            EXPECT_NO_THROW((s.*c.set)(c.value));
            EXPECT_EQ((s.*c.get)(), c.value);
        } else {
            try {
                (s.*c.set)(c.value);
                ADD_FAILURE() << "taken";
            } catch (const EngineError& e) {
                EXPECT_GT(std::string(e.what()).size(), 20u);
            }
            EXPECT_EQ((s.*c.get)(), before);
        }
    }
}

}  // namespace
