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
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <list>
#include <thread>
#include <tuple>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::FileText;
using pelta::test::ProbeFile;
namespace fs = std::filesystem;

namespace {

bool WaitFor(const std::function<bool()>& done) { return test::WaitUntil(done, 60000); }

// This program again, as the child below doing `what` in `folder`; and its end.
pid_t Child(const std::string& what, const fs::path& folder) {
    return test::SpawnTest("CaptureRepairChild.RunsUntilKilled", "PELTA_REPAIR_CHILD=" + what + ":" + folder.string());
}
void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    test::WaitForExit(pid);
}

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

// A repaired AVI: its chunks follow each other to its end, it reads to the end, and
// libavformat, ffprobe and mediainfo find the `held` seconds it held when it was cut off.
test::Probe ExpectWholeAndAsLong(const fs::path& f, double held) {
    SCOPED_TRACE(f.string());
    EXPECT_TRUE(test::ReadRiffLayout(f).coversFile);
    const test::Probe p = ProbeFile(f.string());
    EXPECT_TRUE(p.ok && p.readToEnd);
    EXPECT_NEAR(p.videoEnd, held, 0.5);
    EXPECT_NEAR(FfprobeSeconds(f), held, 0.5);
    EXPECT_NEAR(MediainfoSeconds(f), held, 0.5);  // a second player's reading
    return p;
}

// A player seeks `seconds` into the file and shows the picture there, without complaint.
void ExpectPictureAt(const fs::path& f, double seconds) {
    const fs::path still = f.parent_path() / (f.stem().string() + "-still.png");
    const std::string errors = test::CommandOutput("ffmpeg -v error -ss " + std::to_string(seconds) + " -i '" +
                                                   f.string() + "' -frames:v 1 '" + still.string() + "' 2>&1");
    EXPECT_TRUE(fs::exists(still) && fs::file_size(still) > 0) << "no picture decoded " << seconds << " s into " << f;
    EXPECT_EQ(errors, "") << f;
}

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t b = 4; b-- > 0;) v = v << 8 | uint8_t(at + b < s.size() ? s[at + b] : 0);
    return v;
}

// The idx1 index as a strict player reads it: its entries that hold data, those of them
// marked key, and entries that do not point at a chunk of the id and size they state
// (offsets count from "movi").
struct Idx1 {
    int filled = 0, keys = 0, misplaced = 0;
};
Idx1 ReadIdx1(const fs::path& f) {
    const std::string file = FileText(f);
    const size_t movi = file.find("movi"), idx = file.rfind("idx1"), end = idx + 8 + Le32(file, idx + 4);
    Idx1 r;
    for (size_t e = idx + 8; idx != std::string::npos && e + 16 <= end; e += 16) {
        const size_t chunk = movi + Le32(file, e + 8);
        r.filled += Le32(file, e + 12) > 0;
        r.keys += Le32(file, e + 12) > 0 && (Le32(file, e + 4) & 0x10) != 0;
        r.misplaced += chunk + 8 > file.size() || file.compare(chunk, 4, file, e, 4) != 0 ||
                       Le32(file, chunk + 4) != Le32(file, e + 12);
    }
    return r;
}

// Each OpenDML super index in the header: the standard indexes it lists, and how many of
// those are not where it says ("ix" and the stream's number).
std::vector<std::pair<uint32_t, int>> SuperIndexes(const fs::path& f) {
    std::ifstream in(f, std::ios::binary);
    std::string head(1 << 20, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::min(size_t(in.gcount()), head.find("movi")));
    std::vector<std::pair<uint32_t, int>> out;
    for (size_t at = head.find("indx"); at != std::string::npos; at = head.find("indx", at + 4)) {
        const uint32_t listed = Le32(head, at + 12);
        int misplaced = 0;
        for (uint32_t i = 0; i < listed; ++i) {
            char tag[2] = {};
            in.clear();
            in.seekg(std::streamoff(Le32(head, at + 32 + 16 * i) | uint64_t(Le32(head, at + 36 + 16 * i)) << 32));
            misplaced += !in.read(tag, 2) || std::string(tag, 2) != "ix";
        }
        out.emplace_back(listed, misplaced);
    }
    return out;
}

// `v` as `n` little-endian bytes.
std::string Le(uint32_t v, int n = 4) {
    std::string s;
    for (int i = 0; i < n; ++i) s += char(v >> (8 * i));
    return s;
}

// Run as a child by the tests below (PELTA_REPAIR_CHILD=what:folder), until killed: "four"
// records an AVI with sound, a WAV, an MP3 and an H.264 AVI; "large" an uncompressed 1080p
// AVI past its first GiB (where the file goes on in OpenDML RIFFs of its own); "display" an
// AVI with a window on its own display, until that dies (Qt then leaves through exit());
// "repair" repairs cut.avi and stops just before it would put the repaired file in place.
TEST(CaptureRepairChild, RunsUntilKilled) {
    const char* arg = std::getenv("PELTA_REPAIR_CHILD");
    if (!arg) GTEST_SKIP() << "only run as the child of the CaptureRepair tests";
    const std::string what(arg, std::strchr(arg, ':')), dir = std::strchr(arg, ':') + 1;
    if (what == "repair") {
        record::RepairCapture(dir + "/cut.avi", [&](const std::string&) {
            std::ofstream(dir + "/written").close();
            std::this_thread::sleep_for(std::chrono::seconds(60));
        });
        return;
    }
    if (what == "display") {
        qputenv("XDG_CONFIG_HOME", QByteArray(dir.c_str()) + "/config");
        LookAfterCaptureFiles();
    } else {
        record::SetJournalFolder(dir + "/journal");
    }
    const bool large = what == "large";
    test::RecordTestHub hub(large ? 1920 : 320, large ? 1080 : 240, 30, 44100);
    // Name, format, compressor (none: about 6 MB a 1080p picture) and what is recorded. MP3
    // frames stand on their own: nothing to repair. H.264 pictures depend on earlier ones: the
    // index marks only the key pictures.
    using File = std::tuple<const char*, int32_t, const char*, int32_t>;
    std::vector<File> files = {{"display.avi", OutputFormat::Avi, "Motion JPEG", CaptureMode::VideoAndAudio}};
    if (large) files = {{"large.avi", OutputFormat::Avi, "none", CaptureMode::VideoAndAudio}};
    if (what == "four")
        files = {{"killed.avi", OutputFormat::Avi, "Motion JPEG", CaptureMode::VideoAndAudio},
                 {"killed.wav", OutputFormat::Wave, "none", CaptureMode::AudioOnly},
                 {"killed.mp3", OutputFormat::Mp3, "none", CaptureMode::AudioOnly},
                 {"killed264.avi", OutputFormat::Avi, "H.264 (x264)", CaptureMode::VideoOnly}};
    std::list<CaptureSession> sessions;
    for (const auto& [name, format, compressor, mode] : files) {
        CaptureSession& s = sessions.emplace_back(hub, EngineEventPoster{});
        s.SetOutputFormat(format);
        s.VideoCompressorList().SetSelected(test::IndexNamed(s.VideoCompressorList(), compressor));
        s.SetCaptureFileName(dir + "/" + name);
    }
    hub.Start();
    auto file = files.begin();
    for (CaptureSession& s : sessions) s.BeginCapture(std::get<3>(*file++));
    QWidget window;
    if (what == "display") window.show();
    std::ofstream(dir + "/begun").close();
    if (what == "display") QApplication::exec();
    else std::this_thread::sleep_for(std::chrono::seconds(120));
}

// Each test's files, in a folder of its own.
class CaptureRepair : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
};

TEST_F(CaptureRepair, AKilledCaptureIsRepairedAtTheNextStart) {
    const pid_t pid = Child("four", folder);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(folder / "begun"); }));
    const auto begun = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const fs::path avi = folder / "killed.avi", wav = folder / "killed.wav", h264 = folder / "killed264.avi";
    // What a player reads of the file while it is written: the kill must not take it away.
    const long readable = test::Ffprobe(avi.string()).VideoFrames();
    Kill(pid);
    const double ran = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    EXPECT_GT(readable, 60);
    EXPECT_GE(test::Ffprobe(avi.string()).VideoFrames(), readable) << "pictures readable before the kill";

    // As the kill left them, before any repair: the AVI has no index, yet its header states
    // what it held at the last flush (once a second, when the writer next wakes); the MP3's
    // length is what is in it.
    const test::Probe cut = ProbeFile(avi.string()), cutMp3 = ProbeFile((folder / "killed.mp3").string());
    ASSERT_TRUE(cut.ok && cutMp3.ok);
    const double held = std::max(cut.videoEnd, cut.audioEnd);
    EXPECT_GT(held, ran - 2.5) << "more than two flushes lost";
    EXPECT_LE(cut.duration, held + 0.1) << "the killed file's header claims more than there is";
    EXPECT_GE(cut.duration, held - 1.2) << "the killed file's header hides its length";
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

    EXPECT_TRUE(test::ReadRiffLayout(avi).index);
    const test::Probe p = ExpectWholeAndAsLong(avi, held);
    EXPECT_EQ(p.videoFrames, cut.videoFrames) << "pictures lost in the repair";
    EXPECT_NEAR(p.audioEnd, p.videoEnd, 0.5);
    EXPECT_GT(FfprobeSeconds(h264), ran - 2.5);
    // A player seeks into them, the H.264 one to a key picture: its index marks only those.
    ExpectPictureAt(avi, 8);
    ExpectPictureAt(h264, 8);
    const Idx1 mjpeg = ReadIdx1(avi), x264 = ReadIdx1(h264);
    EXPECT_EQ(mjpeg.misplaced + x264.misplaced, 0);
    EXPECT_EQ(mjpeg.keys, mjpeg.filled);
    EXPECT_GT(x264.keys, 0);
    EXPECT_LT(x264.keys * 2, x264.filled);

    // The WAV, repaired: the strict reader finds all the sound there is.
    const double stated = Number(strictWav);
    EXPECT_NEAR(stated, present, 0.01);
    EXPECT_GT(stated, ran - 2.5);
    EXPECT_NEAR(FfprobeSeconds(wav), stated, 0.05);
}

TEST_F(CaptureRepair, AKilledOpenDmlCaptureIsRepaired) {
    const fs::path file = folder / "large.avi";
    const pid_t pid = Child("large", folder);
    ASSERT_GT(pid, 0);
    const bool grown = WaitFor([&] {
        std::error_code ec;
        return fs::file_size(file, ec) > (int64_t(1) << 30) + (100 << 20) && !ec;
    });
    Kill(pid);
    ASSERT_TRUE(grown) << "the capture never passed 1.1 GiB";
    const test::Probe cut = ProbeFile(file.string());
    const double held = std::max(cut.videoEnd, cut.audioEnd);

    const record::RepairResult r = record::RepairCapture(file.string());
    ASSERT_EQ(r.Result, record::RepairResult::Outcome::Repaired) << r.Why;
    EXPECT_NEAR(r.Seconds, held, 0.5);
    const test::RiffLayout riff = test::ReadRiffLayout(file);
    EXPECT_TRUE(riff.odmlList);
    ASSERT_GE(riff.forms.size(), 2u);
    EXPECT_EQ(riff.forms[1], "AVIX");
    ExpectWholeAndAsLong(file, held);
    // Each stream's super index lists an index in every RIFF, the last one's new; a picture
    // from the last RIFF is found through it.
    const auto supers = SuperIndexes(file);
    EXPECT_EQ(supers.size(), 2u);
    for (const auto& [listed, misplaced] : supers) EXPECT_TRUE(listed == riff.forms.size() && !misplaced) << listed;
    ExpectPictureAt(file, held - 0.5);
}

TEST_F(CaptureRepair, AKilledRepairLeavesTheOriginal) {
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
    ASSERT_TRUE(test::ReadRiffLayout(file).index);
    std::string data = FileText(file);
    const size_t idx1 = data.rfind("idx1");
    ASSERT_NE(idx1, std::string::npos);
    data.resize(idx1);  // as if killed before the end was written
    test::WriteFileText(file, data);

    const pid_t pid = Child("repair", folder);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(folder / "written"); }));
    Kill(pid);
    EXPECT_EQ(FileText(file), data) << "a killed repair changed the original";

    // The next repair mends it, and leaves nothing of the killed one behind.
    const record::RepairResult r = record::RepairCapture(file.string());
    EXPECT_EQ(r.Result, record::RepairResult::Outcome::Repaired) << r.Why;
    EXPECT_NEAR(r.Seconds, 2.0, 0.2);
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find(".repair-"), std::string::npos) << e.path();
    EXPECT_EQ(record::RepairCapture(file.string()).Result, record::RepairResult::Outcome::NotNeeded);
}

// A WAV whose header was last made true a flush before the end, and whose last sample frame
// is torn: the repair states all the whole frames, in the RIFF and the data sizes.
TEST_F(CaptureRepair, AWavKeepsTheSoundAfterItsLastFlush) {
    const fs::path file = folder / "cut.wav";
    const uint32_t flushed = 44100 * 4, whole = flushed + 8000;
    std::string wav = "RIFF" + Le(36 + flushed) + "WAVEfmt " + Le(16) + Le(1, 2) + Le(2, 2) + Le(44100) +
                      Le(44100 * 4) + Le(4, 2) + Le(16, 2) + "data" + Le(flushed);
    wav.append(whole + 3, '\x01');
    test::WriteFileText(file, wav);
    const record::RepairResult r = record::RepairCapture(file.string());
    ASSERT_EQ(r.Result, record::RepairResult::Outcome::Repaired) << r.Why;
    EXPECT_NEAR(r.Seconds, whole / (44100.0 * 4), 1e-3);
    const std::string fixed = FileText(file);
    EXPECT_EQ(fixed, wav.substr(0, 4) + Le(36 + whole) + wav.substr(8, 32) + Le(whole) + wav.substr(44, whole));
}

TEST_F(CaptureRepair, TheDisplayDyingFinishesTheFile) {
    test::PrivateDisplay display("640x480x24");  // a display of its own, to kill
    PELTA_NEEDS_SERVICE(display.Up(), "a display of its own (Xvfb)");
    pid_t pid = -1;
    {
        test::ScopedEnv platform("QT_QPA_PLATFORM", "xcb"), screen("DISPLAY", display.Name());
        pid = Child("display", folder);
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
