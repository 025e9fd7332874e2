// A recording is never lost: a full disk finishes the file, and a killed program leaves a
// file that plays up to shortly before the kill.
#include "engine/CaptureEngine.h"
#include "CountingEvents.h"
#include "engine/core/EngineCore.h"
#include "engine/core/record/CaptureSession.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace pelta;
using namespace pelta::engine;

namespace {

long FramesIn(const std::string& path) {
    const std::string cmd = "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                            "-of default=nw=1:nk=1 '" + path + "' 2>/dev/null";
    long n = -1;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        if (std::fscanf(p, "%ld", &n) != 1) n = -1;
        pclose(p);
    }
    return n;
}

using Events = pelta::test::CountingEvents;

TEST(CaptureSafety, AFullDiskFinishesTheFileAndSaysSo) {
    QTemporaryDir dir;
    const std::string mountPoint = dir.path().toStdString();
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=12m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    {
        Events events;
        CaptureEngine engine;
        engine.SetEventSink(&events);
        auto& v = engine.VideoInputs();
        v.SetSelected(v.Count() - 1);        // Test Pattern
        engine.VideoSizeList().SetSelected(1);  // 640x480, uncompressed: about 0.9 MB a frame
        const std::string file = mountPoint + "/full.avi";
        engine.SetCaptureFileName(file);
        engine.SetOutputFormat(OutputFormat::Avi);
        engine.PrepareCapture(CaptureMode::VideoOnly);
        engine.BeginCapture(CaptureMode::VideoOnly);
        QElapsedTimer t;
        t.start();
        while (events.ended == 0 && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(events.ended, 1);
        ASSERT_FALSE(events.errors.empty());
        EXPECT_EQ(events.errors.front(), 2);  // disk full
        EXPECT_EQ(engine.LastErrorText(), "Capture file " + file + ": the disk is full.");
        const long frames = FramesIn(file);
        EXPECT_GT(frames, 3);
        EXPECT_EQ(frames, engine.FramesCaptured());
        // The program goes on: the engine takes another capture elsewhere.
        engine.SetCaptureFileName(dir.path().toStdString() + "-after.avi");
    }
    umount(mountPoint.c_str());
}

// Run as a child by the next test: records until it is killed.
TEST(CaptureSafetyChild, RecordsUntilKilled) {
    const char* out = std::getenv("PELTA_KILLED_CAPTURE");
    if (!out) GTEST_SKIP() << "only run as the child of KilledCaptureLeavesAPlayableFile";
    EngineCore core;
    core.VideoInputs().SetSelected(core.VideoInputs().Count() - 1);
    CaptureSession session(core, [](EngineEventKind, int32_t) {});
    auto& comps = session.VideoCompressorList();
    for (int32_t i = 0; i < comps.Count(); ++i)
        if (comps.Item(i).DisplayName == "Motion JPEG") comps.SetSelected(i);
    session.SetCaptureFileName(out);
    session.SetOutputFormat(OutputFormat::Avi);
    session.PrepareCapture(CaptureMode::VideoOnly);
    session.BeginCapture(CaptureMode::VideoOnly);
    std::this_thread::sleep_for(std::chrono::seconds(30));
}

TEST(CaptureSafety, KilledCaptureLeavesAPlayableFile) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("killed.avi").toStdString();
    const std::string env = "PELTA_KILLED_CAPTURE=" + file;
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) envs.emplace_back(*e);
    envs.push_back(env);
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=CaptureSafetyChild.*";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()), 0);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    // About 4.5 s were recorded at 30 fps; at most two seconds before the kill may be lost.
    const long frames = FramesIn(file);
    EXPECT_GE(frames, 30 * 2) << "frames decoded from the killed capture";
}

}  // namespace
