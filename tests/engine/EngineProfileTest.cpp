// The engine's profile: its text form, damaged files, and an engine that finds its choices
// again after a restart.
#include "engine/CaptureEngine.h"
#include "engine/EngineProfileKeeper.h"
#include "engine/core/profile/EngineProfile.h"
#include "engine/core/record/CaptureSession.h"
#include "EngineTest.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::FileText;
using pelta::test::IndexNamed;
using pelta::test::WriteFileText;

namespace {

// A profile with every field away from its default, names that need escaping included.
EngineProfile Changed() {
    EngineProfile p;
    p.VideoDevice = NamedChoice::Called("Cam \"front\" \\ #1\nsecond line");
    p.AudioDevice = NamedChoice::Nothing();
    p.AudioOutput = NamedChoice::Called("Ausgang Kopfhörer");
    p.VideoWidth = 640;
    p.VideoHeight = 480;
    p.VideoCompressor = NamedChoice::Called("FFV1 lossless");
    p.AudioCompressor = NamedChoice::Called("MP3 (LAME)");
    p.Encoders["mjpeg"].Set("quality", 9);
    p.Encoders["libx264"].Set("crf", 30);
    p.Encoders["libx264"].Set("preset", 2);
    VideoSourceSettings v;
    v.FrameRate = 15;
    v.InputFormat = "mjpeg";
    v.RegionX = 10, v.RegionY = -20, v.RegionWidth = 300, v.RegionHeight = 200;
    v.FollowMouse = true;
    v.DrawCursor = false;
    v.Pattern = "smptebars";
    v.CameraControls = {{9963776u, 42}, {9963777u, -3}};
    p.VideoSources["Cam \"front\" \\ #1\nsecond line"] = v;
    p.AudioSources["Mic"] = AudioSourceSettings{22050, 1};
    p.VideoProcessors = *processors::ParseChain("mirror", true);
    p.AudioProcessors = *processors::ParseChain("volume:gain=1.5", false);
    p.Preview = PreviewSettings{2, false, 10, 2, 5};
    p.PreviewInput = 1;
    p.PreviewTap = 2;
    p.PreviewDuringProperties = false;
    p.Queue = CaptureQueueSettings{20, 9, true, 7};
    p.TimeLimitOn = true;
    p.TimeLimitSeconds = 12.345678901234567;
    p.FrameRateOn = true;
    p.FrameRateValue = 29.97;
    p.FrameGapSeconds = 0.1;
    p.MasterStreamIndex = 1;
    return p;
}

TEST(EngineProfileText, EveryChoiceReadsBackExactly) {
    ASSERT_FALSE(Changed() == EngineProfile{});
    for (const EngineProfile& p : {Changed(), EngineProfile{}}) {
        bool damaged = true;
        EXPECT_TRUE(ParseProfile(ProfileText(p), &damaged) == p);
        EXPECT_FALSE(damaged);
    }
}

// Damage costs only the lines it hit; text that is all damage gives the defaults.
TEST(EngineProfileText, DamageLosesOnlyTheDamagedLines) {
    const EngineProfile p = Changed();
    const std::string text = ProfileText(p);
    const auto at = [&](const std::string& what) { return text.find(what); };
    struct Case {
        const char* name;
        std::string damaged;
        std::function<void(EngineProfile&)> lost;  // what the damage costs
    };
    const std::vector<Case> cases = {
        {"hello world appended", text + "hello world\n", [](EngineProfile&) {}},
        {"cut inside the last block", text.substr(0, at("channels = ") + 5),
         [](EngineProfile& e) { e.AudioSources["Mic"].Channels = 2; }},
        {"random bytes in a value", std::string(text).replace(at("frame-rate = 29.97") + 13, 2, "\xff\x01"),
         [](EngineProfile& e) { e.FrameRateValue = 0; }},
        {"a value that is not a number", std::string(text).replace(at("preview-tap = 2") + 14, 1, "two"),
         [](EngineProfile& e) { e.PreviewTap = 0; }},
        {"a damaged block header hides its lines",
         std::string(text).replace(at("[audio-source"), 1, "\x80"),
         [](EngineProfile& e) { e.AudioSources.clear(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool damaged = false;
        EngineProfile want = p;
        c.lost(want);
        EXPECT_TRUE(ParseProfile(c.damaged, &damaged) == want);
        EXPECT_TRUE(damaged);
    }
    std::string noise;
    for (int i = 0; i < 700; ++i) noise += char((i * 7919 + 13) % 256);
    bool damaged = false;
    EXPECT_TRUE(ParseProfile(noise, &damaged) == EngineProfile{});
    EXPECT_TRUE(damaged);
}

// ---- a real engine, restarted ---------------------------------------------------------------

class EngineProfileRestart : public pelta::test::MediaTest {
protected:
    std::string Path() const { return dir_.filePath("engine.profile").toStdString(); }

    // Builds an engine as the program starts it: the profile read, the first device of each
    // kind put in use by the device menu, then the remembered devices.
    struct Started {
        std::unique_ptr<CaptureEngine> engine = std::make_unique<CaptureEngine>();
        std::unique_ptr<EngineProfileKeeper> keeper;
        explicit Started(const std::string& path) {
            keeper = std::make_unique<EngineProfileKeeper>(*engine, path);
            engine->SetChoicesChanged([k = keeper.get()] { k->Check(); });
            if (engine->VideoInputs().Count() > 0) engine->VideoInputs().SetSelected(0);
            if (engine->AudioInputs().Count() > 0) engine->AudioInputs().SetSelected(0);
            keeper->RestoreDevices();
        }
        ~Started() { engine->SetChoicesChanged({}); }
    };

    template <typename ItemT>
    static std::string SelectedName(EngineList<ItemT>& list) {
        const int32_t i = list.Selected();
        return i < 0 ? std::string("(none)") : list.Item(i).DisplayName;
    }

    QTemporaryDir dir_;
};

TEST_F(EngineProfileRestart, AFirstStartRecordsInH264AndWritesNothing) {
    {
        Started s(Path());
        CompressorList& video = s.engine->VideoCompressorList();
        EXPECT_EQ(SelectedName(video), "H.264 (x264)");
        EXPECT_EQ(SelectedName(s.engine->AudioCompressorList()), "(none)");
        EXPECT_EQ(s.engine->Recorder().ChosenVideoEncoder(), "libx264");
        EXPECT_EQ(s.engine->VideoInputs().Selected(), 0);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Path())));
        // "No Recompression" is still there to choose, and choosing it is remembered.
        video.SetSelected(-1);
    }
    Started again(Path());
    EXPECT_EQ(again.engine->VideoCompressorList().Selected(), -1);
}

TEST_F(EngineProfileRestart, EveryChoiceComesBackAfterARestart) {
    const int32_t pattern = [&] {
        Started s(Path());
        CaptureEngine& e = *s.engine;
        const int32_t p = IndexNamed(e.VideoInputs(), "Test Pattern");
        e.VideoInputs().SetSelected(p);
        const int32_t size = e.VideoSizeList().Count() - 1;  // the largest, never the first
        e.VideoSizeList().SetSelected(size);
        e.AudioInputs().SetSelected(IndexNamed(e.AudioInputs(), "Test Tone"));
        e.AudioRendererList().SetSelected(0);
        e.VideoCompressorList().SetSelected(IndexNamed(e.VideoCompressorList(), "FFV1 lossless"));
        e.AudioCompressorList().SetSelected(IndexNamed(e.AudioCompressorList(), "A-law"));
        record::EncoderSettings mjpeg;
        mjpeg.Set("quality", 11);
        e.Recorder().SetEncoderSettings("mjpeg", mjpeg);  // as the compressor dialog does
        VideoSourceSettings source = e.Core().VideoSettings();
        source.Pattern = "smptebars";
        e.Core().SetVideoSettings(source);
        e.VideoProcessors().SetChain(*processors::ParseChain("mirror", true));
        e.SetPreview(PreviewSettings{1, false, 12, 0, 3});
        e.SetPreviewInput(1);
        e.SetPreviewTap(1);
        e.SetPreviewDuringProperties(false);
        e.SetTimeLimitSeconds(7.5);
        e.SetTimeLimitOn(true);
        e.SetFrameGapSeconds(2.25);
        return p;
    }();
    // Each change was written at once, in one step: no temporary file is left beside it.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"engine.profile"});

    Started s(Path());
    CaptureEngine& e = *s.engine;
    EXPECT_EQ(e.VideoInputs().Selected(), pattern);
    EXPECT_EQ(e.VideoSizeList().Selected(), e.VideoSizeList().Count() - 1);
    EXPECT_EQ(SelectedName(e.AudioInputs()), "Test Tone");
    EXPECT_EQ(e.AudioRendererList().Selected(), 0);
    EXPECT_EQ(SelectedName(e.VideoCompressorList()), "FFV1 lossless");
    EXPECT_EQ(SelectedName(e.AudioCompressorList()), "A-law");
    EXPECT_EQ(e.Recorder().EncoderSettingsFor("mjpeg").Get("quality", 0), 11);
    EXPECT_EQ(e.Core().VideoSettings().Pattern, "smptebars");
    EXPECT_EQ(processors::ToText(e.VideoProcessors().Chain()), "mirror");
    EXPECT_TRUE(e.Preview() == (PreviewSettings{1, false, 12, 0, 3}));
    EXPECT_EQ(e.PreviewInput(), 1);
    EXPECT_EQ(e.PreviewTap(), 1);
    EXPECT_FALSE(e.PreviewDuringProperties());
    EXPECT_TRUE(e.TimeLimitOn());
    EXPECT_EQ(e.TimeLimitSeconds(), 7.5);
    EXPECT_EQ(e.FrameGapSeconds(), 2.25);
}

TEST_F(EngineProfileRestart, ADeviceThatIsGoneFallsBackToTheFirst) {
    EngineProfile p;
    p.VideoDevice = NamedChoice::Called("A camera that was unplugged");
    p.VideoWidth = 4096;
    p.VideoHeight = 2160;
    p.AudioDevice = NamedChoice::Called("Test Tone");
    p.VideoCompressor = NamedChoice::Called("A compressor this FFmpeg lacks");
    WriteFileText(Path(), ProfileText(p));
    Started s(Path());
    EXPECT_EQ(s.engine->VideoInputs().Selected(), 0);
    EXPECT_EQ(s.engine->VideoSizeList().Selected(), 0);
    EXPECT_EQ(SelectedName(s.engine->AudioInputs()), "Test Tone");
    EXPECT_EQ(SelectedName(s.engine->VideoCompressorList()), kFirstStartVideoCompressors[0]);
    // Until the user changes something the file still names the camera, for when it is back.
    EXPECT_NE(FileText(Path()).find("A camera that was unplugged"), std::string::npos);
}

TEST_F(EngineProfileRestart, ADamagedProfileReadsAsDefaultsAndIsKept) {
    std::string noise;
    for (int i = 0; i < 700; ++i) noise += char((i * 131 + 7) % 256);
    WriteFileText(Path(), noise);
    Started s(Path());
    EXPECT_EQ(s.engine->VideoInputs().Selected(), 0);
    EXPECT_EQ(SelectedName(s.engine->VideoCompressorList()), kFirstStartVideoCompressors[0]);
    EXPECT_EQ(s.engine->PreviewTap(), 0);
    s.engine->SetPreviewTap(2);
    EXPECT_TRUE(ParseProfile(FileText(Path())).PreviewTap == 2);
    const QStringList kept = QDir(dir_.path()).entryList({"engine.profile.damaged-*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(FileText(dir_.filePath(kept.first()).toStdString()), noise);
}

TEST_F(EngineProfileRestart, AProfileThatIsALinkIsReplacedNotWrittenThrough) {
    QTemporaryDir elsewhere;
    const std::string target = elsewhere.filePath("shared.profile").toStdString();
    EngineProfile p;
    p.PreviewTap = 1;
    WriteFileText(target, ProfileText(p));
    ASSERT_TRUE(QFile::link(QString::fromStdString(target), QString::fromStdString(Path())));
    Started s(Path());
    EXPECT_EQ(s.engine->PreviewTap(), 1);
    s.engine->SetPreviewTap(2);
    EXPECT_EQ(FileText(target), ProfileText(p));
    EXPECT_FALSE(QFileInfo(QString::fromStdString(Path())).isSymLink());
    EXPECT_EQ(ParseProfile(FileText(Path())).PreviewTap, 2);
}

}  // namespace
