// The file against the limits of the machine: a reservation that must not touch what is on
// disk, a file-size limit and a disk that fills (with and without pre-allocation). Each
// provokes the real thing and reads the file back; RepairTest kills a capture.
#include "RecordProbe.h"
#include "RecordTestHub.h"
#include "engine/core/record/CaptureSession.h"
#include "support/Pump.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Probe;
using pelta::test::ProbeFile;
namespace fs = std::filesystem;

namespace {

using Events = test::RecordEvents;

// An AVI that was finished: its RIFF sizes add up, it ends in an index, and the header's
// frame count is the captured and dropped frames.
void ExpectFinishedAvi(const fs::path& file, int64_t captured, int64_t dropped) {
    const test::RiffLayout riff = test::ReadRiffLayout(file);
    EXPECT_TRUE(riff.coversFile) << "RIFF sizes against the file's " << fs::file_size(file) << " bytes";
    EXPECT_TRUE(riff.index) << "no index at the end";
    const Probe p = ProbeFile(file.string());
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_GT(p.videoFrames, 3);
    EXPECT_EQ(p.videoFrames, captured);
    EXPECT_EQ(p.videoSlots, captured + dropped);
}

// OK in the capture dialog reserves the file before the user is asked to start: neither
// the reservation nor declining the start may change a file that exists; a file the
// reservation made itself goes again.
TEST(CaptureReservation, ExistingFilesStayByteForByteAndOwnReservationsGo) {
    QTemporaryDir dir;
    test::RecordTestHub hub(160, 120, 30, 44100);
    Events ev;
    CaptureSession s(hub, ev.Poster());
    const fs::path old = dir.filePath("old.avi").toStdString();
    std::string data(1600000, '\0');
    std::mt19937 rnd(7);
    for (char& c : data) c = char(rnd());
    std::ofstream(old, std::ios::binary) << data;
    s.SetCaptureFileName(old.string());
    for (int32_t mb : {1, 3}) {  // less than the file holds, and more
        s.ReserveCaptureFile(mb);
        EXPECT_EQ(test::FileText(old), data) << mb << " MB reserved";
    }
    s.PrepareCapture(CaptureMode::VideoOnly);
    s.EndCaptureAndWait();  // declined
    EXPECT_EQ(test::FileText(old), data);

    const fs::path fresh = dir.filePath("fresh.avi").toStdString();
    s.SetCaptureFileName(fresh.string());
    s.ReserveCaptureFile(2);
    EXPECT_EQ(fs::file_size(fresh), 2u * 1048576);
    s.PrepareCapture(CaptureMode::VideoOnly);
    s.EndCaptureAndWait();
    EXPECT_FALSE(fs::exists(fresh)) << "the declined capture's own reservation stays behind";

    // A reserved existing file is replaced only by the capture itself.
    s.SetCaptureFileName(old.string());
    s.ReserveCaptureFile(4);
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(1);
    hub.Start();
    s.BeginCapture(CaptureMode::VideoOnly);
    ASSERT_TRUE(ev.WaitEnded(10));
    s.EndCaptureAndWait();
    hub.Stop();
    EXPECT_EQ(ProbeFile(old.string()).videoFrames, s.FramesCaptured());
    EXPECT_LT(fs::file_size(old), 4u * 1048576);

    // Saving the capture elsewhere copies it whole; a copy that cannot be made says so.
    EXPECT_THROW(s.CopyCaptureTo("", false), EngineError);
    EXPECT_THROW(s.CopyCaptureTo("/proc/nope/x.avi", false), EngineError);
    const fs::path copy = dir.filePath("copy.avi").toStdString();
    s.CopyCaptureTo(copy.string(), false);
    EXPECT_EQ(test::FileText(copy), test::FileText(old));
}

// Run as a child by the next test, under a 3 MiB file-size limit.
TEST(CaptureLimitsChild, RecordsUnderAFileSizeLimit) {
    const char* out = std::getenv("PELTA_LIMITED_CAPTURE");
    if (!out) GTEST_SKIP() << "only run as the child of AFileSizeLimitEndsTheFileCleanly";
    struct rlimit rl {};
    getrlimit(RLIMIT_FSIZE, &rl);
    rl.rlim_cur = 3 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &rl), 0);
    test::RecordTestHub hub(320, 240, 30, 44100);  // raw pictures: 230 KB each
    Events ev;
    CaptureSession s(hub, ev.Poster());
    s.VideoCompressorList().SetSelected(-1);
    s.SetCaptureFileName(out);
    hub.Start();
    s.BeginCapture(CaptureMode::VideoOnly);
    ev.WaitEnded(20);
    s.EndCaptureAndWait();
    hub.Stop();
    std::ofstream log(std::string(out) + ".events");
    log << ev.ended << ' ' << s.FramesCaptured() << ' ' << s.FramesDropped();
    for (int e : ev.errors) log << ' ' << e;
    log << '\n' << s.LastErrorText();
}

TEST(CaptureLimits, AFileSizeLimitEndsTheFileCleanly) {
    QTemporaryDir dir;
    const fs::path file = dir.filePath("limited.avi").toStdString();
    const pid_t pid = test::SpawnTest("CaptureLimitsChild.RecordsUnderAFileSizeLimit", "PELTA_LIMITED_CAPTURE=" + file.string());
    ASSERT_GT(pid, 0);
    const int status = test::WaitForExit(pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    int ended = 0, captured = 0, dropped = 0, error = 0;
    std::ifstream events(file.string() + ".events");
    events >> ended >> captured >> dropped >> error;
    std::string text;
    std::getline(events >> std::ws, text);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(error, 3);
    EXPECT_EQ(text, "Capture file " + file.string() + ": the file size limit of this session, 3 MB, was reached.");
    EXPECT_LE(fs::file_size(file), 3u << 20);
    EXPECT_GT(fs::file_size(file), 2u << 20) << "the limit's space is used";
    ExpectFinishedAvi(file, captured, dropped);
}

// The disk fills: the capture stops with code 2 once, having used the disk to within what
// finishing the file needs, and the file is finished, with and without pre-allocation, its
// two tracks ending together.
TEST(CaptureLimits, AFillingDiskIsUsedAlmostWhollyAndTheFileFinished) {
    const std::pair<test::SmallDisk::Kind, const char*> kinds[] = {{test::SmallDisk::Tmpfs, "tmpfs"},
                                                                   {test::SmallDisk::Ext2, "ext2"}};
    for (const auto& [kind, name] : kinds) {
        SCOPED_TRACE(name);
        const test::SmallDisk disk("8M", kind);
        if (!disk.mounted) {
            std::printf("[          ] no %s here: skipped\n", name);
            continue;
        }
        test::RecordTestHub hub(320, 240, 30, 44100);
        Events ev;
        CaptureSession s(hub, ev.Poster());
        s.VideoCompressorList().SetSelected(-1);
        s.SetMasterStreamIndex(kind == test::SmallDisk::Tmpfs ? 0 : -1);  // the sound follows the picture, or not
        const fs::path file = disk.Path("full.avi");
        s.SetCaptureFileName(file.string());
        hub.Start();
        s.BeginCapture(CaptureMode::VideoAndAudio);
        ASSERT_TRUE(ev.WaitEnded(20));
        s.EndCaptureAndWait();
        hub.Stop();
        EXPECT_EQ(ev.ended, 1);
        EXPECT_EQ(ev.errors, std::vector<int>{2});
        EXPECT_EQ(s.LastErrorText(), "Capture file " + file.string() + ": the disk is full.");
        const Probe tracks = ProbeFile(file.string());
        EXPECT_NEAR(tracks.audioEnd, tracks.videoEnd, 1.0 / 30 + 0.001) << "the tracks end apart";
        EXPECT_GT(int64_t(fs::file_size(file)), disk.Capacity() * 3 / 4)
            << "of " << disk.Capacity() << " bytes";
        ExpectFinishedAvi(file, s.FramesCaptured(), s.FramesDropped());
        std::printf("[          ] %s: %lld of %lld bytes used, %d pictures\n", name,
                    static_cast<long long>(fs::file_size(file)), static_cast<long long>(disk.Capacity()),
                    s.FramesCaptured());
    }
}

// Little room left, but enough for minutes of MP3: the capture records.
TEST(CaptureLimits, AnMp3RecordsInTheLastHundredsOfKilobytes) {
    const test::SmallDisk disk("2m");
    if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
    std::ofstream(disk.Path("filler"), std::ios::binary) << std::string(1600 * 1024, 'x');
    test::RecordTestHub hub(160, 120, 30, 44100);
    Events ev;
    CaptureSession s(hub, ev.Poster());
    s.SetOutputFormat(OutputFormat::Mp3);
    s.SetCaptureFileName(disk.Path("little.mp3").string());
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(2);
    hub.Start();
    s.BeginCapture(CaptureMode::AudioOnly);
    ASSERT_TRUE(ev.WaitEnded(10));
    hub.Stop();
    EXPECT_TRUE(ev.errors.empty());
    const Probe p = ProbeFile(disk.Path("little.mp3").string());
    EXPECT_NEAR(p.audioEnd, 2.0, 0.1);
}

}  // namespace
