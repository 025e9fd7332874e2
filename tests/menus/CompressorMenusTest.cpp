#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using CompressorMenus = MenusTest;

TEST_F(CompressorMenus, EachRestrictedNameIsWarnedOnlyInItsOwnList) {
    const QStringList audio{"IAC2", "Lernout & Hauspie SBC 8kbit/s", "Lernout & Hauspie SBC 12kbit/s",
                            "Lernout & Hauspie SBC 16kbit/s", "Windows Media Audio V1", "WMAudio Encoder DMO",
                            "ACELP.net"};
    const QStringList video{"Microsoft H.263 Video Codec", "Microsoft H.261 Video Codec", "WMVideo Encoder DMO",
                            "WMVideo8 Encoder DMO", "MSScreen encoder DMO", "VDOnet VDOWave",
                            "Intel 4:2:0 Video V2.5"};
    // Each list holds its own seven names, then the other list's seven.
    for (const QString& n : video + audio) engine.VideoComp.Items.push_back({n.toStdString()});
    for (const QString& n : audio + video) engine.AudioComp.Items.push_back({n.toStdString()});
    StartUp();
    for (const ListMenu* list : {&menus.menuOptionsAudioCompressor, &menus.menuOptionsVideoCompressor})
        for (size_t k = 1; k <= 14; ++k) {
            const size_t before = prompts.Messages.size();
            Click(*list, k);
            EXPECT_EQ(prompts.Messages.size() - before, k <= 7 ? 1u : 0u) << list->All[k]->text().toStdString();
        }
}

TEST_F(CompressorMenus, BuildingNamesElementZeroAndKeepsTheSelection) {
    engine.VideoComp.Items = {{"MJPEG"}, {"x264"}};
    engine.VideoComp.Sel = 1;
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsVideoCompressor), (QStringList{"No Recompression", "MJPEG", "x264"}));
    EXPECT_EQ(Tags(menus.menuOptionsVideoCompressor), (QStringList{"-1", "0", "1"}));
    EXPECT_EQ(Captions(menus.menuOptionsAudioCompressor), QStringList{"No Recompression"});
    EXPECT_TRUE(engine.CallsStartingWith("VideoCompressorList.Selected=").empty());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"x264"});
}

TEST_F(CompressorMenus, NoRecompressionNeverWarnsAndSelectsNone) {
    engine.VideoComp.Items = {{"MSScreen encoder DMO"}};
    engine.VideoComp.Sel = 0;
    StartUp();
    Click(menus.menuOptionsVideoCompressor, 0);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(engine.VideoComp.Sel, -1);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"No Recompression"});
}

TEST_F(CompressorMenus, RestrictedNameIsWarnedExactlyAndYesSelectsIt) {
    engine.VideoComp.Items = {{"MSScreen encoder DMO"}, {"MSScreen Encoder DMO"}, {"MSScreen encoder DMO "}};
    StartUp();
    prompts.Answers = {PromptAnswer::Yes};
    Click(menus.menuOptionsVideoCompressor, 1);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    const auto& m = prompts.Messages[0];
    EXPECT_EQ(m.Title, "Warning");
    EXPECT_EQ(m.Buttons, PromptButtons::YesNo);
    EXPECT_TRUE(m.DefaultYes);
    EXPECT_EQ(m.Text, QString("In our tests, the compressor you have selected\r has caused unexpected behaviour on "
                              "some computers.\rAre you sure you want to use it?"));
    EXPECT_EQ(engine.VideoComp.Sel, 0);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"MSScreen encoder DMO"});

    // A different case or a trailing blank is not the restricted name.
    Click(menus.menuOptionsVideoCompressor, 2);
    Click(menus.menuOptionsVideoCompressor, 3);
    EXPECT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(engine.VideoComp.Sel, 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CompressorMenus, AnsweringNoKeepsThePreviousCompressor) {
    engine.AudioComp.Items = {{"PCM"}, {"ACELP.net"}};
    engine.AudioComp.Sel = 0;
    StartUp();
    engine.ClearCalls();
    prompts.Answers = {PromptAnswer::No};
    Click(menus.menuOptionsAudioCompressor, 2);
    EXPECT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(engine.AudioComp.Sel, 0);
    EXPECT_TRUE(engine.CallsStartingWith("AudioCompressorList.Selected=").empty());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioCompressor), QStringList{"PCM"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CompressorMenus, TheEngineNameDecidesNotTheCaption) {
    engine.VideoComp.Items = {{"Plain"}};
    StartUp();
    menus.menuOptionsVideoCompressor.All[1]->setText("Plain");
    engine.VideoComp.Items[0].DisplayName = "WMVideo8 Encoder DMO";
    prompts.Answers = {PromptAnswer::No};
    Click(menus.menuOptionsVideoCompressor, 1);
    EXPECT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(engine.VideoComp.Sel, -1);
}

TEST_F(CompressorMenus, VerifyNeverReadsPastTheArray) {
    engine.VideoComp.Items = {{"Nothing special"}};
    const QStringList shortList{"A"};
    EXPECT_TRUE(options.VerifyCompressor(engine.VideoComp, 1, shortList, 7));
    EXPECT_TRUE(options.VerifyCompressor(engine.VideoComp, 0, shortList, 7));
}

}  // namespace

namespace {

// Notes the pointer shown while each message box is up.
class PointerWatch final : public PromptSeam {
public:
    PointerWatch() { SetPrompts(this); }
    ~PointerWatch() override { SetPrompts(nullptr); }
    std::vector<bool> BusyDuring;
    PromptAnswer Message(QWidget*, const QString&, const QString&, PromptButtons b, bool) override {
        const QCursor* c = QApplication::overrideCursor();
        BusyDuring.push_back(c && c->shape() == Qt::WaitCursor);
        return b == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }
    QString SaveFileName(const SaveFileRequest&) override { return {}; }
    QString OpenFileName(const OpenFileRequest&) override { return {}; }
    QString ExistingFolder(QWidget*, const QString&, const QString&) override { return {}; }
    int ExecDialog(QDialog&) override { return 0; }
};

TEST_F(CompressorMenus, BusyDuringTheQuestionButNotDuringTheRefusalMessage) {
    engine.VideoComp.Items = {{"VDOnet VDOWave"}, {"MJPEG"}};
    StartUp();
    PointerWatch watch;
    Click(menus.menuOptionsVideoCompressor, 1);  // warned, answered No
    engine.Failures["VideoCompressorList.Selected="] = "refused";
    Click(menus.menuOptionsVideoCompressor, 2);  // refused
    EXPECT_EQ(watch.BusyDuring, (std::vector<bool>{true, false}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
