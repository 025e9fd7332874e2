// A capture cut off by SIGKILL: what could be read while it ran stays, the headers state
// the length as it stands, and the next start repairs the AVI and the WAV that the journal
// names (index, sizes, counts), so players show the right length and seek in them. A repair
// killed on the way leaves the original as it was.
#include "EngineTest.h"
#include "RecordProbe.h"
#include "RecordTestHub.h"
#include "engine/core/record/CaptureJournal.h"
#include "engine/core/record/CaptureRepair.h"
#include "engine/core/record/CaptureSession.h"
#include "mainwindow/StartUpSafety.h"
#include "support/Processes.h"
#include "support/Services.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::FileText;
using pelta::test::ProbeFile;
namespace fs = std::filesystem;

namespace {

bool WaitFor(const std::function<bool()>& done) { return test::WaitUntil(done, 60000); }

double Number(const std::string& cmd) {
    const std::string out = test::CommandOutput(cmd);
    return out.empty() ? -1 : std::atof(out.c_str());
}

// What ffprobe and mediainfo say a file lasts, in seconds (-1: nothing).
double FfprobeSeconds(const fs::path& f) {
    return Number("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + f.string() + "'");
}
double MediainfoSeconds(const fs::path& f) {
    return Number("mediainfo --Inform='General;%Duration%' '" + f.string() + "'") / 1000;
}

// Run as a child by the next test: an AVI with sound, a WAV, an MP3 and an H.264 AVI,
// recorded until killed.
TEST(CaptureRepairChild, RecordsUntilKilled) {
    const char* dir = std::getenv("PELTA_REPAIR_CHILD");
    if (!dir) GTEST_SKIP() << "only run as the child of AKilledCaptureIsRepairedAtTheNextStart";
    record::SetJournalFolder(std::string(dir) + "/journal");
    test::RecordTestHub hub(320, 240, 30, 44100);
    CaptureSession avi(hub, EngineEventPoster{}), wav(hub, EngineEventPoster{}), mp3(hub, EngineEventPoster{}),
        h264(hub, EngineEventPoster{});
    avi.VideoCompressorList().SetSelected(0);  // Motion JPEG
    avi.SetCaptureFileName(std::string(dir) + "/killed.avi");
    wav.SetOutputFormat(OutputFormat::Wave);
    wav.SetCaptureFileName(std::string(dir) + "/killed.wav");
    mp3.SetOutputFormat(OutputFormat::Mp3);  // frames that stand on their own: nothing to repair
    mp3.SetCaptureFileName(std::string(dir) + "/killed.mp3");
    // Pictures that depend on earlier ones: the index marks only the key pictures.
    h264.VideoCompressorList().SetSelected(test::IndexNamed(h264.VideoCompressorList(), "H.264 (x264)"));
    h264.SetCaptureFileName(std::string(dir) + "/killed264.avi");
    hub.Start();
    avi.BeginCapture(CaptureMode::VideoAndAudio);
    wav.BeginCapture(CaptureMode::AudioOnly);
    mp3.BeginCapture(CaptureMode::AudioOnly);
    h264.BeginCapture(CaptureMode::VideoOnly);
    std::ofstream(std::string(dir) + "/begun").close();
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

TEST(CaptureRepair, AKilledCaptureIsRepairedAtTheNextStart) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const pid_t pid = test::SpawnTest("CaptureRepairChild.RecordsUntilKilled", "PELTA_REPAIR_CHILD=" + folder.string());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(folder / "begun"); }));
    const auto begun = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const fs::path avi = folder / "killed.avi", wav = folder / "killed.wav", mp3 = folder / "killed.mp3";
    // What a player reads of the file while it is written: the kill must not take it away.
    const long readable = test::Ffprobe(avi.string()).VideoFrames();
    kill(pid, SIGKILL);
    const double ran = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    test::WaitForExit(pid);
    EXPECT_GT(readable, 60);
    EXPECT_GE(test::Ffprobe(avi.string()).VideoFrames(), readable) << "pictures readable before the kill";

    // As the kill left them, before any repair: the AVI has no index, yet its header states
    // what it held at the last flush; the MP3's length is what is in it.
    const test::Probe cut = ProbeFile(avi.string());
    ASSERT_TRUE(cut.ok);
    const double held = std::max(cut.videoEnd, cut.audioEnd);
    EXPECT_GT(held, ran - 2.5) << "more than two flushes lost";
    EXPECT_LE(cut.duration, held + 0.1) << "the killed file's header claims more than there is";
    EXPECT_GE(cut.duration, held - 1.0) << "the killed file's header hides its length";
    const test::Probe cutMp3 = ProbeFile(mp3.string());
    ASSERT_TRUE(cutMp3.ok);
    EXPECT_GT(cutMp3.audioEnd, ran - 2.5);
    EXPECT_NEAR(cutMp3.duration, cutMp3.audioEnd, 0.1);
    // The WAV through a strict reader: the length its header states is data that is there,
    // at most a flush behind.
    const std::string strictWav = "/usr/bin/python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
                                  "print(w.getnframes() / w.getframerate())\" '" + wav.string() + "'";
    const double present = double(fs::file_size(wav) - 44) / (44100 * 4);
    const double statedCut = Number(strictWav);
    ASSERT_GT(statedCut, 0) << "the strict reader refuses the killed file";
    EXPECT_LE(statedCut, present + 1e-3) << "the header claims more sound than there is";
    EXPECT_GE(statedCut, present - 1.2) << "the header is more than a flush behind";

    record::SetJournalFolder((folder / "journal").string());
    const QStringList said = RepairInterruptedCaptures();
    // The two AVIs always need their index. The WAV needs repair only when sound followed its
    // last flush, which is the kill's luck: it is judged below by what it holds afterwards.
    ASSERT_EQ(said.filter(QStringLiteral(".avi was cut off")).size(), 2) << said.join('\n').toStdString();
    ASSERT_LE(said.size(), 3) << said.join('\n').toStdString();
    for (const QString& line : said) EXPECT_TRUE(line.contains("has been repaired and holds")) << line.toStdString();
    EXPECT_TRUE(fs::is_empty(folder / "journal")) << "the journal still names repaired files";
    EXPECT_TRUE(RepairInterruptedCaptures().isEmpty()) << "repaired twice";

    const test::RiffLayout riff = test::ReadRiffLayout(avi);
    EXPECT_TRUE(riff.coversFile && riff.index);
    const test::Probe p = ProbeFile(avi.string());
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.readToEnd);
    EXPECT_NEAR(p.videoEnd, held, 0.5);
    EXPECT_NEAR(p.audioEnd, p.videoEnd, 0.5);
    EXPECT_NEAR(FfprobeSeconds(avi), held, 0.5);
    EXPECT_NEAR(MediainfoSeconds(avi), held, 0.5);  // a second player's reading
    // A player seeks into them, the H.264 one to a key picture.
    for (const fs::path& f : {avi, folder / "killed264.avi"}) {
        const fs::path still = folder / (f.stem().string() + "-at8.png");
        const std::string errors =
            test::CommandOutput("ffmpeg -v error -ss 8 -i '" + f.string() + "' -frames:v 1 '" + still.string() + "' 2>&1");
        EXPECT_TRUE(fs::exists(still) && fs::file_size(still) > 0) << "no picture decoded 8 s into " << f;
        EXPECT_EQ(errors, "") << f;
    }
    EXPECT_GT(FfprobeSeconds(folder / "killed264.avi"), ran - 2.5);

    // The WAV, repaired: the strict reader finds all the sound there is.
    const double stated = Number(strictWav);
    EXPECT_NEAR(stated, present, 0.01);
    EXPECT_GT(stated, ran - 2.5);
    EXPECT_NEAR(FfprobeSeconds(wav), stated, 0.05);
    std::printf("[          ] killed after %.2f s: AVI holds %.2f s, repaired ffprobe %.2f s mediainfo %.2f s; "
                "WAV %.2f s\n", ran, held, FfprobeSeconds(avi), MediainfoSeconds(avi), stated);
}

// Run as a child by the next test: an uncompressed 1080p capture, past the first GiB (where
// the file goes on in OpenDML RIFFs of its own), until killed.
TEST(CaptureRepairChild, RecordsPastAGigabyte) {
    const char* file = std::getenv("PELTA_REPAIR_LARGE");
    if (!file) GTEST_SKIP() << "only run as the child of AKilledOpenDmlCaptureIsRepaired";
    test::RecordTestHub hub(1920, 1080, 30, 44100);
    CaptureSession s(hub, EngineEventPoster{});
    s.VideoCompressorList().SetSelected(-1);  // no recompression: about 6 MB a picture
    s.SetCaptureFileName(file);
    hub.Start();
    s.BeginCapture(CaptureMode::VideoAndAudio);
    std::this_thread::sleep_for(std::chrono::seconds(120));
}

TEST(CaptureRepair, AKilledOpenDmlCaptureIsRepaired) {
    QTemporaryDir dir;
    const fs::path file = dir.filePath("large.avi").toStdString();
    const pid_t pid = test::SpawnTest("CaptureRepairChild.RecordsPastAGigabyte", "PELTA_REPAIR_LARGE=" + file.string());
    ASSERT_GT(pid, 0);
    const bool grown = WaitFor([&] {
        std::error_code ec;
        return fs::file_size(file, ec) > (int64_t(1) << 30) + (100 << 20) && !ec;
    });
    kill(pid, SIGKILL);
    test::WaitForExit(pid);
    ASSERT_TRUE(grown) << "the capture never passed 1.1 GiB";
    const test::Probe cut = ProbeFile(file.string());
    const double held = std::max(cut.videoEnd, cut.audioEnd);

    const record::RepairResult r = record::RepairCapture(file.string());
    ASSERT_EQ(r.Result, record::RepairResult::Outcome::Repaired) << r.Why;
    EXPECT_NEAR(r.Seconds, held, 0.5);
    const test::RiffLayout riff = test::ReadRiffLayout(file);
    EXPECT_TRUE(riff.coversFile);
    EXPECT_TRUE(riff.odmlList);
    ASSERT_GE(riff.forms.size(), 2u);
    EXPECT_EQ(riff.forms[1], "AVIX");
    const test::Probe p = ProbeFile(file.string());
    EXPECT_TRUE(p.readToEnd);
    EXPECT_NEAR(p.videoEnd, held, 0.5);
    EXPECT_NEAR(FfprobeSeconds(file), held, 0.5);
    EXPECT_NEAR(MediainfoSeconds(file), held, 0.5);  // a second player's reading
    // A picture from the last RIFF, found through its new index.
    const fs::path still = dir.filePath("late.png").toStdString();
    test::CommandOutput("ffmpeg -v error -ss " + std::to_string(held - 0.5) + " -i '" + file.string() +
                        "' -frames:v 1 '" + still.string() + "' 2>&1");
    EXPECT_TRUE(fs::exists(still) && fs::file_size(still) > 0) << "no picture decoded near the end";
}

// Run as a child by the next test: a repair that is killed just before it would put the
// repaired file in place.
TEST(CaptureRepairChild, RepairsUntilKilled) {
    const char* file = std::getenv("PELTA_REPAIR_KILLED");
    if (!file) GTEST_SKIP() << "only run as the child of AKilledRepairLeavesTheOriginal";
    record::RepairCapture(file, [&](const std::string&) {
        std::ofstream(std::string(file) + ".written").close();
        std::this_thread::sleep_for(std::chrono::seconds(60));
    });
}

TEST(CaptureRepair, AKilledRepairLeavesTheOriginal) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    // A capture cut off: the header's sizes unset, no index.
    const fs::path file = folder / "cut.avi";
    {
        test::RecordTestHub hub(160, 120, 30, 44100);
        test::RecordEvents ev;
        CaptureSession s(hub, ev.Poster());
        s.VideoCompressorList().SetSelected(0);
        s.SetCaptureFileName(file.string());
        s.SetTimeLimitOn(true);
        s.SetTimeLimitSeconds(2);
        hub.Start();
        s.BeginCapture(CaptureMode::VideoOnly);
        ASSERT_TRUE(ev.WaitEnded(10));
        s.EndCaptureAndWait();
    }
    const test::RiffLayout finished = test::ReadRiffLayout(file);
    ASSERT_TRUE(finished.index);
    std::string data = FileText(file);
    const size_t idx1 = data.rfind("idx1");
    ASSERT_NE(idx1, std::string::npos);
    data.resize(idx1);  // as if killed before the end was written
    test::WriteFileText(file, data);

    const pid_t pid = test::SpawnTest("CaptureRepairChild.RepairsUntilKilled", "PELTA_REPAIR_KILLED=" + file.string());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(file.string() + ".written"); }));
    kill(pid, SIGKILL);
    test::WaitForExit(pid);
    EXPECT_EQ(FileText(file), data) << "a killed repair changed the original";

    // The next repair mends it, and leaves nothing of the killed one behind.
    const record::RepairResult r = record::RepairCapture(file.string());
    EXPECT_EQ(r.Result, record::RepairResult::Outcome::Repaired) << r.Why;
    EXPECT_NEAR(r.Seconds, 2.0, 0.2);
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find(".repair-"), std::string::npos) << e.path();
    EXPECT_EQ(record::RepairCapture(file.string()).Result, record::RepairResult::Outcome::NotNeeded);
}

// Run as a child by the next test: a program with a window on its own display, capturing
// when that display dies (Qt then leaves through exit()).
TEST(DisplayDeathChild, CapturesUntilTheDisplayDies) {
    const char* dir = std::getenv("PELTA_DISPLAY_DEATH");
    if (!dir) GTEST_SKIP() << "only run as the child of TheDisplayDyingFinishesTheFile";
    qputenv("XDG_CONFIG_HOME", QByteArray(dir) + "/config");
    LookAfterCaptureFiles();
    test::RecordTestHub hub(320, 240, 30, 44100);
    CaptureSession s(hub, EngineEventPoster{});
    s.VideoCompressorList().SetSelected(0);
    s.SetCaptureFileName(std::string(dir) + "/display.avi");
    hub.Start();
    s.BeginCapture(CaptureMode::VideoAndAudio);
    QWidget window;
    window.show();
    std::ofstream(std::string(dir) + "/begun").close();
    QApplication::exec();
}

TEST(CaptureRepair, TheDisplayDyingFinishesTheFile) {
    test::PrivateDisplay display("640x480x24");  // a display of its own, to kill
    PELTA_NEEDS_SERVICE(display.Up(), "a display of its own (Xvfb)");
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    pid_t pid = -1;
    {
        test::ScopedEnv platform("QT_QPA_PLATFORM", "xcb"), screen("DISPLAY", display.Name());
        pid = test::SpawnTest("DisplayDeathChild.*", "PELTA_DISPLAY_DEATH=" + folder.string());
    }
    ASSERT_GT(pid, 0);
    const bool begun = WaitFor([&] { return fs::exists(folder / "begun"); });
    std::this_thread::sleep_for(std::chrono::seconds(3));
    display.Kill();
    const int status = test::WaitForExit(pid);
    ASSERT_TRUE(begun);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);

    const fs::path file = folder / "display.avi";
    const test::RiffLayout riff = test::ReadRiffLayout(file);
    EXPECT_TRUE(riff.coversFile && riff.index) << "the file was not finished";
    const test::Probe p = ProbeFile(file.string());
    EXPECT_GT(p.videoEnd, 2.0);
    EXPECT_NEAR(p.audioEnd, p.videoEnd, 1.0 / 30 + 0.01) << "the tracks end apart";
    EXPECT_TRUE(fs::is_empty(folder / "config/pelta-rx/running-captures")) << "finished, yet in the journal";
}

}  // namespace
