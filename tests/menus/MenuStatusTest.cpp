#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using MenuStatus = MenusTest;

QList<QAction*> ScaleItems(const MainMenus& m) {
    return {m.menuViewFittoWindow, m.menuViewStretchtoWindow, m.menuView50,
            m.menuView75,          m.menuView100,             m.menuView200};
}

QList<QAction*> PropertyItems(const MainMenus& m) {
    return {m.menuOptionsCaptureProperties,          m.menuOptionsPreviewProperties,
            m.menuOptionsLegacyPropertiesVideoSource, m.menuOptionsLegacyPropertiesVideoFormat,
            m.menuOptionsLegacyPropertiesVideoDisplay, m.menuOptionsLegacyPropertiesAudioFormat,
            m.menuOptionsAudioCompressorProperties,   m.menuOptionsVideoCompressorProperties};
}

TEST_F(MenuStatus, ReadsTheEngineInTheFixedOrder) {
    StartUp();
    engine.ClearCalls();
    options.UpdateMenuStatus();
    std::vector<std::string> reads;
    for (const auto& c : engine.Calls)
        if (c != "VideoInputs" && c != "AudioInputs" && c != "AudioRendererList" && c != "VideoCompressorList" &&
            c != "VideoSizeList" && c != "AudioCompressorList")
            reads.push_back(c);
    const std::vector<std::string> expected = {
        "EngineState", "EngineState", "PreviewFit", "PreviewFit", "PreviewFit", "PreviewFit", "PreviewFit",
        "PreviewFit", "FullScreenOn", "FullScreenMetric", "EngineState", "VideoInputs.Count", "VideoInputs.Count",
        "VideoInputs.Selected", "AudioInputs.Count", "AudioInputs.Selected", "PreviewOn", "PreviewDuringProperties",
        "PreviewInput", "PreviewInput", "PreviewInput", "AudioRendererList.Count", "EngineState",
        "AudioRendererList.Selected", "PreviewTap", "PreviewTap", "PreviewTap", "VideoCompressorList.Count",
        "VideoCompressorList.Selected", "VideoSizeList.Count", "VideoSizeList.Selected", "AudioCompressorList.Count",
        "AudioCompressorList.Selected", "CaptionsAvailable", "CaptionsOn", "DialogAvailable(16)",
        "DialogAvailable(18)", "DialogAvailable(1)", "DialogAvailable(0)", "DialogAvailable(2)", "DialogAvailable(3)",
        "DialogAvailable(15)", "DialogAvailable(14)"};
    EXPECT_EQ(reads, expected);
}

TEST_F(MenuStatus, ScaleCodeTwoChecksOnlyHundredAndSevenChecksNone) {
    StartUp();
    for (QAction* a : ScaleItems(menus)) EXPECT_EQ(a->isChecked(), a == menus.menuView100) << a->text().toStdString();
    engine.Fit = 7;
    options.UpdateMenuStatus();
    for (QAction* a : ScaleItems(menus)) EXPECT_FALSE(a->isChecked());
}

TEST_F(MenuStatus, CapturingLocksTheChoicesButNotTheProcessors) {
    engine.Video.Items = {{"Cam"}};
    engine.Audio.Items = {{"Mic"}};
    engine.VideoComp.Items = {{"MJPEG"}};
    engine.AudioComp.Items = {{"PCM"}};
    engine.Renderers.Items = {{"Out"}};
    engine.Sizes.Items = {{640, 480}};
    engine.CaptionsCanSwitch = true;
    engine.AvailableDialogs = {0, 1, 2, 3, 14, 15, 16, 18, 19, 20};
    StartUp();
    ASSERT_TRUE(AllEnabled(menus.menuOptionsVideoDevice));
    for (QAction* a : PropertyItems(menus)) ASSERT_TRUE(a->isEnabled());

    engine.State = 4;
    options.UpdateMenuStatus();
    for (const ListMenu* list : {&menus.menuOptionsVideoDevice, &menus.menuOptionsAudioDevice,
                                 &menus.menuOptionsVideoCompressor, &menus.menuOptionsAudioCompressor,
                                 &menus.menuOptionsVideoCaptureSize, &menus.menuOptionsPreviewAudioRenderer})
        EXPECT_TRUE(NoneEnabled(*list)) << list->Menu->objectName().toStdString();
    for (QAction* a : menus.menuOptionsPreviewPreviewSource->actions()) EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(menus.menuOptionsCloseCaptioning->isEnabled());
    EXPECT_FALSE(menus.menuFileSaveCapturedVideoAs->isEnabled());
    for (QAction* a : PropertyItems(menus)) EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(menus.menuOptionsAudioProcessors->isEnabled());
    EXPECT_TRUE(menus.menuOptionsVideoProcessors->isEnabled());

    engine.State = 5;  // busy: only the renderers stay locked
    options.UpdateMenuStatus();
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoDevice));
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoCaptureSize));
    EXPECT_TRUE(NoneEnabled(menus.menuOptionsPreviewAudioRenderer));
}

TEST_F(MenuStatus, FullScreenNeedsAMetricAndAState) {
    StartUp();
    EXPECT_TRUE(menus.menuViewFullScreen->isEnabled());
    const struct {
        int32_t state;
        float metric;
        bool unreadable;
    } rows[] = {{0, 1, false}, {1, 0, false}, {1, 2, true}};
    for (const auto& r : rows) {
        engine.State = r.state;
        engine.Metric = r.metric;
        if (r.unreadable) engine.Failures["FullScreenMetric"] = "unknown";
        engine.ClearCalls();
        options.UpdateMenuStatus();
        EXPECT_FALSE(menus.menuViewFullScreen->isEnabled()) << r.state << " " << r.metric;
        // The run goes on past the guarded step.
        if (r.unreadable) {
            EXPECT_TRUE(engine.WasCalled("DialogAvailable(14)"));
        }
    }
}

TEST_F(MenuStatus, AFailingStepIsSkippedAndTheRestRuns) {
    engine.Preview = false;
    StartUp();  // PreviewOn is True now
    ASSERT_TRUE(menus.menuOptionsPreviewEnablePreview->isChecked());
    engine.Preview = false;
    engine.DuringProps = false;
    engine.Tap = 2;
    engine.Failures["PreviewOn"] = "lost";
    options.UpdateMenuStatus();
    EXPECT_TRUE(menus.menuOptionsPreviewEnablePreview->isChecked());  // left as it was
    EXPECT_TRUE(menus.menuOptionsPreviewDisableWhileEditingProperties->isChecked());
    EXPECT_TRUE(menus.menuOptionsPreviewPreviewTapCompressor->isChecked());
}

// An unoffered dialog stays disabled, and a failing availability read still locks an
// offered one during a capture.
TEST_F(MenuStatus, UnofferedDialogStaysDisabledAndNothingSelectedChecksElementZero) {
    engine.VideoComp.Items = {{"A"}, {"B"}};
    engine.AvailableDialogs = {16};
    StartUp();
    EXPECT_TRUE(menus.menuOptionsCaptureProperties->isEnabled());
    EXPECT_FALSE(menus.menuOptionsPreviewProperties->isEnabled());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"No Recompression"});
    engine.State = 4;
    engine.Failures["DialogAvailable"] = "lost";
    options.UpdateMenuStatus();
    EXPECT_FALSE(menus.menuOptionsCaptureProperties->isEnabled());
}

TEST_F(MenuStatus, ALongerEngineListThanItsMenuIsHandled) {
    engine.Audio.Items = {{"A"}};
    StartUp();
    engine.Audio.Items.push_back({"Plugged in later"});
    engine.Audio.Sel = 1;
    options.UpdateMenuStatus();
    EXPECT_EQ(Captions(menus.menuOptionsAudioDevice), (QStringList{"None", "A"}));
    EXPECT_TRUE(CheckedCaptions(menus.menuOptionsAudioDevice).isEmpty());
}

using ViewCommands = MenusTest;

TEST_F(ViewCommands, ScaleItemsWriteTheirCodes) {
    StartUp();
    const std::vector<std::pair<QAction*, int>> rows = {
        {menus.menuViewFittoWindow, 0}, {menus.menuViewStretchtoWindow, 1}, {menus.menuView50, 4},
        {menus.menuView75, 3},          {menus.menuView100, 2},             {menus.menuView200, 5}};
    for (const auto& [item, code] : rows) {
        engine.ClearCalls();
        item->trigger();
        ASSERT_FALSE(engine.Calls.empty());
        EXPECT_EQ(engine.Calls[0], "PreviewFit=" + std::to_string(code));
        for (const auto& [other, unused] : rows) EXPECT_EQ(other->isChecked(), other == item);
    }
}

TEST_F(ViewCommands, FullScreenFlipsWithoutUpdatingTheMenusOrSaysWhyNot) {
    StartUp();
    EXPECT_EQ(menus.menuViewFullScreen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    engine.ClearCalls();
    menus.menuViewFullScreen->trigger();
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"FlipFullScreen"});
    EXPECT_FALSE(menus.menuViewFullScreen->isChecked());
    menus.menuView100->trigger();  // the next update brings the mark up to date
    EXPECT_TRUE(menus.menuViewFullScreen->isChecked());
    // A failing command shows the engine's text.
    engine.Failures["FlipFullScreen"] = "No full screen on this display";
    menus.menuViewFullScreen->trigger();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "No full screen on this display");
}

TEST_F(ViewCommands, SwitchesFlipTheEngineValueAndTheirMarkBothWays) {
    engine.DuringProps = true;
    engine.CaptionsCanSwitch = true;
    StartUp();
    const struct {
        QAction* item;
        const bool* value;
        bool markIsNegation;
    } rows[] = {{menus.menuOptionsPreviewEnablePreview, &engine.Preview, false},
                {menus.menuOptionsPreviewDisableWhileEditingProperties, &engine.DuringProps, true},
                {menus.menuOptionsCloseCaptioning, &engine.Captions, false}};
    for (const auto& r : rows) {
        const bool first = *r.value;
        for (const bool expected : {!first, first}) {
            r.item->trigger();
            EXPECT_EQ(*r.value, expected) << r.item->text().toStdString();
            EXPECT_EQ(r.item->isChecked(), expected != r.markIsNegation) << r.item->text().toStdString();
        }
    }
}

TEST_F(ViewCommands, SourceAndTapChoices) {
    StartUp();
    menus.menuOptionsPreviewPreviewSourceAudioonly->trigger();
    EXPECT_EQ(engine.Input, 2);
    EXPECT_TRUE(menus.menuOptionsPreviewPreviewSourceAudioonly->isChecked());
    EXPECT_FALSE(menus.menuOptionsPreviewPreviewSourceVideoandAudio->isChecked());
    menus.menuOptionsPreviewPreviewSourceVideoonly->trigger();
    EXPECT_EQ(engine.Input, 1);
    menus.menuOptionsPreviewPreviewTapProcessors->trigger();
    EXPECT_EQ(engine.Tap, 1);
    EXPECT_TRUE(menus.menuOptionsPreviewPreviewTapProcessors->isChecked());
    EXPECT_FALSE(menus.menuOptionsPreviewPreviewTapSource->isChecked());
}

TEST_F(ViewCommands, PropertyItemsAskForTheirDialogsAndNothingElse) {
    engine.AvailableDialogs = {0, 1, 2, 3, 14, 15, 16, 18, 19, 20};
    StartUp();
    const std::vector<std::pair<QAction*, int>> rows = {
        {menus.menuOptionsCaptureProperties, 16},          {menus.menuOptionsPreviewProperties, 18},
        {menus.menuOptionsVideoCompressorProperties, 14},  {menus.menuOptionsAudioCompressorProperties, 15},
        {menus.menuOptionsLegacyPropertiesVideoSource, 1}, {menus.menuOptionsLegacyPropertiesVideoFormat, 0},
        {menus.menuOptionsLegacyPropertiesVideoDisplay, 2}, {menus.menuOptionsLegacyPropertiesAudioFormat, 3},
        {menus.menuOptionsAudioProcessors, 19},            {menus.menuOptionsVideoProcessors, 20}};
    for (const auto& [item, id] : rows) {
        engine.ClearCalls();
        item->trigger();
        EXPECT_EQ(engine.Calls, std::vector<std::string>{"OpenDialog(" + std::to_string(id) + ")"});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    // The video processors open while capturing too.
    engine.State = 4;
    options.UpdateMenuStatus();
    ASSERT_TRUE(menus.menuOptionsVideoProcessors->isEnabled());
    engine.ClearCalls();
    menus.menuOptionsVideoProcessors->trigger();
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"OpenDialog(20)"});
}

}  // namespace
