// A recording is never lost: a full disk finishes the file, and a killed program leaves a
// file that plays up to shortly before the kill.
#include "EngineTest.h"
#include "engine/core/record/CaptureSession.h"
#include "support/Processes.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

using namespace pelta;
using namespace pelta::engine;

namespace {

TEST(CaptureSafety, AFullDiskFinishesTheFileAndSaysSo) {
    const test::SmallDisk disk("12m");
    if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
    test::CountingEvents events;
    CaptureEngine engine;
    engine.SetEventSink(&events);
    test::UseTestPattern(engine, 1);  // 640x480, uncompressed: about 0.9 MB a frame
    const std::string file = disk.Path("full.avi").string();
    engine.SetCaptureFileName(file);
    engine.SetOutputFormat(OutputFormat::Avi);
    engine.PrepareCapture(CaptureMode::VideoOnly);
    engine.BeginCapture(CaptureMode::VideoOnly);
    test::PumpUntil([&] { return events.ended > 0; }, 10000);
    EXPECT_EQ(events.ended, 1);
    ASSERT_FALSE(events.errors.empty());
    EXPECT_EQ(events.errors.front(), 2);  // disk full
    EXPECT_EQ(engine.LastErrorText(), "Capture file " + file + ": the disk is full.");
    const long frames = test::Ffprobe(file).VideoFrames();
    EXPECT_GT(frames, 3);
    EXPECT_EQ(frames, engine.FramesCaptured());
    // The program goes on: the engine takes another capture elsewhere.
    engine.SetCaptureFileName(disk.Folder() + "-after.avi");
}

// Run as a child by the next test: records until it is killed.
TEST(CaptureSafetyChild, RecordsUntilKilled) {
    const char* out = std::getenv("PELTA_KILLED_CAPTURE");
    if (!out) GTEST_SKIP() << "only run as the child of KilledCaptureLeavesAPlayableFile";
    EngineCore core;
    test::UseTestPattern(core);
    CaptureSession session(core, [](EngineEventKind, int32_t) {});
    session.VideoCompressorList().SetSelected(test::IndexNamed(session.VideoCompressorList(), "Motion JPEG"));
    session.SetCaptureFileName(out);
    session.SetOutputFormat(OutputFormat::Avi);
    session.PrepareCapture(CaptureMode::VideoOnly);
    session.BeginCapture(CaptureMode::VideoOnly);
    std::this_thread::sleep_for(std::chrono::seconds(90));  // until killed
}

TEST(CaptureSafety, KilledCaptureLeavesAPlayableFile) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("killed.avi").toStdString();
    const pid_t pid = test::SpawnTest("CaptureSafetyChild.*", "PELTA_KILLED_CAPTURE=" + file);
    ASSERT_GT(pid, 0);
    // Killed once three seconds of pictures (at 30 a second) can be read from the file while
    // it is written, however late a busy machine started the child: the kill must not take
    // away what was already readable.
    long readable = 0;
    const bool recorded = test::WaitUntil([&] { return (readable = test::Ffprobe(file).VideoFrames()) >= 90; }, 60000);
    kill(pid, SIGKILL);
    test::WaitForExit(pid);
    ASSERT_TRUE(recorded) << "the running capture's file never held three seconds of pictures";
    const long frames = test::Ffprobe(file).VideoFrames();
    EXPECT_GE(frames, readable) << "frames decoded from the killed capture";
}

}  // namespace
