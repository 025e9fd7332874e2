// Two copies of the program naming automatic captures in one folder at the same moment:
// each name is claimed as it is chosen, so every capture gets a file of its own.
#include "autocapture/AutoNaming.h"
#include "dialogs/Pelxbas.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/FileClaim.h"
#include "support/Processes.h"
#include "support/TempFiles.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace pelta;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 20;
constexpr int kPictures = 5;

// Polled every millisecond (test::WaitUntil's 10 ms would let the two copies start apart).
bool WaitForFile(const fs::path& p) {
    for (int i = 0; i < 60000; ++i) {
        if (fs::exists(p)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// A small Motion JPEG picture track into `path`.
engine::record::WriterSetup SmallCapture(const std::string& path) {
    engine::record::WriterSetup setup;
    setup.Path = path;
    setup.Video = true;
    setup.VideoIn = {64, 48, AV_PIX_FMT_YUV420P, {10, 1}, {1, 10}};
    setup.VideoRate = {10, 1};
    setup.VideoEncoder = "mjpeg";
    return setup;
}

// A short Motion JPEG capture through the engine's writer (and so through its file sink).
bool WriteCapture(const std::string& path) {
    const engine::record::WriterSetup setup = SmallCapture(path);
    engine::record::CaptureWriter writer;
    engine::record::CaptureErrorCode code{};
    if (!writer.Open(setup, code).empty()) return false;
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = 64;
    f->height = 48;
    av_frame_get_buffer(f, 0);
    for (int i = 0; i < kPictures; ++i) {
        av_frame_make_writable(f);
        for (int plane = 0; plane < 3; ++plane)
            std::memset(f->data[plane], 40 * i + plane, size_t(f->linesize[plane]) * (plane ? 24 : 48));
        writer.WriteVideo(f, i);
    }
    av_frame_free(&f);
    return writer.Finish();
}

// Run as a child by the next test: one copy of the program, one capture a round.
TEST(NameClaimChild, NamesAndWritesOneCaptureARound) {
    const char* env = std::getenv("PELTA_CLAIM_CHILD");
    if (!env) GTEST_SKIP() << "only run as the child of TwoCopiesNeverWriteOneFile";
    const std::string arg = env;
    const fs::path folder = arg.substr(0, arg.find('|'));
    const std::string id = arg.substr(arg.find('|') + 1);
    int last = 0;
    for (int r = 0; r < kRounds; ++r) {
        ASSERT_TRUE(WaitForFile(folder / (".go-" + std::to_string(r))));
        const auto next = NextAutoName(QString::fromStdString(folder.string()), ".avi", false, QDate(2026, 12, 7),
                                       last, [](const QString& p) { return FileExists(p); }, ClaimAutoName);
        ASSERT_TRUE(next.has_value());
        last = next->Number;
        const bool ok = WriteCapture(next->Path.toStdString());
        std::ofstream(folder / (".done-" + std::to_string(r) + "-" + id)) << ok;
    }
}

TEST(NameClaim, TwoCopiesNeverWriteOneFile) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    pid_t pids[2];
    for (int c = 0; c < 2; ++c) {
        // The one child test by name: a child that skips would mark this test skipped.
        pids[c] = test::SpawnTest("NameClaimChild.NamesAndWritesOneCaptureARound",
                                  "PELTA_CLAIM_CHILD=" + folder.string() + "|" + std::to_string(c));
        ASSERT_GT(pids[c], 0);
    }
    for (int r = 0; r < kRounds; ++r) {
        std::ofstream(folder / (".go-" + std::to_string(r)));  // both copies click Capture now
        for (int c = 0; c < 2; ++c)
            ASSERT_TRUE(WaitForFile(folder / (".done-" + std::to_string(r) + "-" + std::to_string(c))));
    }
    for (pid_t pid : pids) {
        const int status = test::WaitForExit(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("Auto-", 0) == 0) files.insert(e.path().string());
    EXPECT_EQ(files.size(), 2u * kRounds);
    for (const auto& f : files) EXPECT_EQ(test::Ffprobe(f).VideoFrames(), kPictures) << f;
}

// An empty leftover file is used again only when no running capture holds it.
TEST(NameClaim, EmptyLeftoversAreReusedOnlyWhenNobodyHoldsThem) {
    using namespace engine::record;
    QTemporaryDir dir;
    const std::string name = dir.filePath("Auto-1.avi").toStdString();
    std::ofstream(name).close();  // left over from a capture that never started
    ASSERT_EQ(ClaimFile(name), ClaimResult::Claimed);
    // Held by this claim: a second copy of the program passes it over.
    const pid_t pid = test::SpawnTest("NameClaimChild.ClaimsOnce", "PELTA_CLAIM_ONCE=" + name);
    ASSERT_GT(pid, 0);
    int status = test::WaitForExit(pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == int(ClaimResult::Taken));
    ReleaseClaim(name);
    EXPECT_FALSE(fs::exists(name)) << "an unused claim leaves its empty file behind";
    std::ofstream(name) << "data";
    EXPECT_EQ(ClaimFile(name), ClaimResult::Taken) << "a file with content is never claimed";
}

// A name typed by hand is locked when its capture opens it: a second capture into the same
// file is refused while the first writes it, and nothing of the first is lost.
TEST(NameClaim, ACaptureNeverWritesAFileAnotherOneHolds) {
    QTemporaryDir dir;
    const std::string name = dir.filePath("typed.avi").toStdString();
    const engine::record::WriterSetup setup = SmallCapture(name);
    engine::record::CaptureWriter first, second;
    engine::record::CaptureErrorCode code{};
    ASSERT_EQ(first.Open(setup, code), "");
    EXPECT_EQ(second.Open(setup, code), "another capture is writing this file");
    EXPECT_TRUE(first.Finish());
    EXPECT_TRUE(WriteCapture(name)) << "the file stays locked after its capture ended";
    EXPECT_EQ(test::Ffprobe(name).VideoFrames(), kPictures);
}

TEST(NameClaimChild, ClaimsOnce) {
    const char* name = std::getenv("PELTA_CLAIM_ONCE");
    if (!name) GTEST_SKIP() << "only run as the child of EmptyLeftoversAreReusedOnlyWhenNobodyHoldsThem";
    std::exit(int(engine::record::ClaimFile(name)));
}

// Without a chosen folder, automatic captures go to the user's videos folder, never to "/".
TEST(NameClaim, NoFolderChosenMeansTheVideosFolder) {
    QTemporaryDir home;
    QDir(home.path()).mkpath(".config");
    std::ofstream(home.filePath(".config/user-dirs.dirs").toStdString()) << "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n";
    const test::ScopedEnv homeEnv("HOME", home.path().toStdString()), config("XDG_CONFIG_HOME", std::nullopt);
    const QString folder = AutoCaptureFolder(QString());
    EXPECT_EQ(folder, home.filePath("Filme"));
    EXPECT_TRUE(QDir(folder).exists()) << "the videos folder is made when missing";
    EXPECT_EQ(AutoCaptureFolder("/chosen"), "/chosen");
}

}  // namespace
