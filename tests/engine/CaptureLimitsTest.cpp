// The file against the limits of the machine: a reservation that must not touch what is on
// disk, a file-size limit, a disk that fills (with and without pre-allocation) and a kill.
// Each provokes the real thing and reads the file back.
#include "RecordProbe.h"
#include "RecordTestHub.h"
#include "engine/core/record/CaptureSession.h"
#include "support/Pump.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sys/resource.h>
#include <thread>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Probe;
using pelta::test::ProbeFile;
namespace fs = std::filesystem;

namespace {

using Events = test::RecordEvents;

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// An AVI that was finished: its RIFF sizes add up, it ends in an index, and the header's
// frame count is the captured and dropped frames.
void ExpectFinishedAvi(const fs::path& file, const CaptureSession& s) {
    const test::RiffLayout riff = test::ReadRiffLayout(file);
    EXPECT_TRUE(riff.coversFile) << "RIFF sizes against the file's " << fs::file_size(file) << " bytes";
    EXPECT_TRUE(riff.index) << "no index at the end";
    const Probe p = ProbeFile(file.string());
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_GT(p.videoFrames, 3);
    EXPECT_EQ(p.videoFrames, s.FramesCaptured());
    EXPECT_EQ(p.videoSlots, int64_t(s.FramesCaptured()) + s.FramesDropped());
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
        EXPECT_EQ(Contents(old), data) << mb << " MB reserved";
    }
    s.PrepareCapture(CaptureMode::VideoOnly);
    s.EndCapture();  // declined
    EXPECT_EQ(Contents(old), data);

    const fs::path fresh = dir.filePath("fresh.avi").toStdString();
    s.SetCaptureFileName(fresh.string());
    s.ReserveCaptureFile(2);
    EXPECT_EQ(fs::file_size(fresh), 2u * 1048576);
    s.PrepareCapture(CaptureMode::VideoOnly);
    s.EndCapture();
    EXPECT_FALSE(fs::exists(fresh)) << "the declined capture's own reservation stays behind";

    // A reserved existing file is replaced only by the capture itself.
    s.SetCaptureFileName(old.string());
    s.ReserveCaptureFile(4);
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(1);
    hub.Start();
    s.BeginCapture(CaptureMode::VideoOnly);
    ASSERT_TRUE(ev.WaitEnded(10));
    s.EndCapture();
    hub.Stop();
    EXPECT_EQ(ProbeFile(old.string()).videoFrames, s.FramesCaptured());
    EXPECT_LT(fs::file_size(old), 4u * 1048576);
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
    s.EndCapture();
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
    const test::RiffLayout riff = test::ReadRiffLayout(file);
    EXPECT_TRUE(riff.coversFile && riff.index);
    const Probe p = ProbeFile(file.string());
    EXPECT_TRUE(p.readToEnd);
    EXPECT_EQ(p.videoFrames, captured);
    EXPECT_EQ(p.videoSlots, captured + dropped);
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
        s.EndCapture();
        hub.Stop();
        EXPECT_EQ(ev.ended, 1);
        EXPECT_EQ(ev.errors, std::vector<int>{2});
        const Probe tracks = ProbeFile(file.string());
        EXPECT_NEAR(tracks.audioEnd, tracks.videoEnd, 1.0 / 30 + 0.001) << "the tracks end apart";
        EXPECT_GT(int64_t(fs::file_size(file)), disk.Capacity() * 3 / 4)
            << "of " << disk.Capacity() << " bytes";
        ExpectFinishedAvi(file, s);
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

// Run as a child by the next test: an AVI, a WAV and an MP3 at once, until killed.
TEST(CaptureLimitsChild, RecordsUntilKilled) {
    const char* out = std::getenv("PELTA_KILLED_FILES");
    if (!out) GTEST_SKIP() << "only run as the child of AKilledCaptureStatesItsRealLength";
    test::RecordTestHub hub(320, 240, 30, 44100);
    std::vector<std::unique_ptr<CaptureSession>> sessions;
    for (int32_t format : {OutputFormat::Avi, OutputFormat::Wave, OutputFormat::Mp3}) {
        auto s = std::make_unique<CaptureSession>(hub, EngineEventPoster{});
        s->SetOutputFormat(format);
        s->VideoCompressorList().SetSelected(0);  // Motion JPEG
        s->SetCaptureFileName(std::string(out) + "/killed" + std::to_string(format));
        sessions.push_back(std::move(s));
    }
    hub.Start();
    sessions[0]->BeginCapture(CaptureMode::VideoAndAudio);
    sessions[1]->BeginCapture(CaptureMode::AudioOnly);
    sessions[2]->BeginCapture(CaptureMode::AudioOnly);
    std::this_thread::sleep_for(std::chrono::seconds(90));  // until killed
}

TEST(CaptureLimits, AKilledCaptureStatesItsRealLength) {
    QTemporaryDir dir;
    const pid_t pid = test::SpawnTest("CaptureLimitsChild.RecordsUntilKilled", "PELTA_KILLED_FILES=" + dir.path().toStdString());
    ASSERT_GT(pid, 0);
    // Killed once 3.5 s of sound (44.1 kHz, 16-bit stereo) are on the disk, however late a
    // busy machine started the child.
    const fs::path wav = dir.filePath("killed2").toStdString();
    const bool recorded = test::WaitUntil([&] {
        std::error_code ec;
        return fs::file_size(wav, ec) > 44 + 3.5 * 44100 * 4 && !ec;
    }, 60000);
    kill(pid, SIGKILL);
    test::WaitForExit(pid);
    ASSERT_TRUE(recorded) << "the child's sound never reached the disk";

    // The WAV through a strict reader: the length its header states is data that is there.
    const std::string cmd = "/usr/bin/python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
                            "print(w.getnframes(), w.getframerate(), w.getsampwidth()*w.getnchannels())\" " +
                            wav.string();
    long frames = -1, rate = 0, align = 0;
    if (std::sscanf(test::CommandOutput(cmd).c_str(), "%ld %ld %ld", &frames, &rate, &align) != 3) frames = -1;
    ASSERT_GT(rate, 0) << "the strict reader refuses the file";
    const double stated = double(frames) / rate;
    const double present = double(int64_t(fs::file_size(wav)) - 44) / double(rate * align);
    EXPECT_LE(stated, present + 1e-3) << "the header claims more sound than there is";
    EXPECT_GE(stated, present - 1.2) << "the header is more than a flush behind";
    EXPECT_GT(stated, 2.0);

    // The MP3 and the AVI hold what was recorded up to a flush before the kill; the MP3's
    // length is what is in it, the AVI's header states what was in it at the last flush.
    for (const char* name : {"killed6", "killed0"}) {
        const Probe p = ProbeFile(dir.filePath(name).toStdString());
        ASSERT_TRUE(p.ok) << name;
        const double content = std::max(p.audioEnd, p.videoEnd);
        EXPECT_GT(content, 2.0) << name;
        EXPECT_LE(p.duration, content + 0.1) << name;
        EXPECT_GE(p.duration, content - (name[6] == '0' ? 1.2 : 0.1)) << name;
    }
}

}  // namespace
