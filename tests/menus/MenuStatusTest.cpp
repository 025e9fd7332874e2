#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using MenuStatus = MenusTest;
using ViewCommands = MenusTest;

// The six scale items and the preview fit code each writes and shows.
std::vector<std::pair<QAction*, int>> ScaleRows(const MainMenus& m) {
    return {{m.menuViewFittoWindow, 0}, {m.menuViewStretchtoWindow, 1}, {m.menuView50, 4},
            {m.menuView75, 3},          {m.menuView100, 2},             {m.menuView200, 5}};
}

TEST_F(MenuStatus, ReadsTheEngineInTheFixedOrder) {
    StartUp();
    engine.ClearCalls();
    options.UpdateMenuStatus();
    const std::set<std::string> listGetters = {"VideoInputs",         "AudioInputs",   "AudioRendererList",
                                               "VideoCompressorList", "VideoSizeList", "AudioCompressorList"};
    std::vector<std::string> reads;
    for (const auto& c : engine.Calls)
        if (!listGetters.count(c)) reads.push_back(c);
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

// Each scale item writes its code and is then the only one checked; an unknown code checks none.
TEST_F(ViewCommands, ScaleItemsWriteAndShowTheirCodes) {
    StartUp();
    const auto rows = ScaleRows(menus);
    for (const auto& [item, code] : rows) EXPECT_EQ(item->isChecked(), code == 2) << item->text().toStdString();
    for (const auto& [item, code] : rows) {
        engine.ClearCalls();
        item->trigger();
        ASSERT_FALSE(engine.Calls.empty());
        EXPECT_EQ(engine.Calls[0], "PreviewFit=" + std::to_string(code));
        for (const auto& [other, unused] : rows) EXPECT_EQ(other->isChecked(), other == item);
    }
    engine.Fit = 7;
    options.UpdateMenuStatus();
    for (const auto& [item, unused] : rows) EXPECT_FALSE(item->isChecked());
}

// While capturing the choices and property pages are locked, the processors are not; each
// page asks the engine for its dialog and nothing else, the video processors while capturing too.
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
    const struct {
        QAction* item;
        int id;
        bool locked;
    } pages[] = {{menus.menuOptionsCaptureProperties, 16, true},
                 {menus.menuOptionsPreviewProperties, 18, true},
                 {menus.menuOptionsVideoCompressorProperties, 14, true},
                 {menus.menuOptionsAudioCompressorProperties, 15, true},
                 {menus.menuOptionsLegacyPropertiesVideoSource, 1, true},
                 {menus.menuOptionsLegacyPropertiesVideoFormat, 0, true},
                 {menus.menuOptionsLegacyPropertiesVideoDisplay, 2, true},
                 {menus.menuOptionsLegacyPropertiesAudioFormat, 3, true},
                 {menus.menuOptionsAudioProcessors, 19, false},
                 {menus.menuOptionsVideoProcessors, 20, false}};
    ASSERT_TRUE(AllEnabled(menus.menuOptionsVideoDevice));
    for (const auto& p : pages) {
        ASSERT_TRUE(p.item->isEnabled()) << p.id;
        engine.ClearCalls();
        p.item->trigger();
        EXPECT_EQ(engine.Calls, std::vector<std::string>{"OpenDialog(" + std::to_string(p.id) + ")"});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    engine.State = 4;
    options.UpdateMenuStatus();
    for (const ListMenu* list : {&menus.menuOptionsVideoDevice, &menus.menuOptionsAudioDevice,
                                 &menus.menuOptionsVideoCompressor, &menus.menuOptionsAudioCompressor,
                                 &menus.menuOptionsVideoCaptureSize, &menus.menuOptionsPreviewAudioRenderer})
        EXPECT_TRUE(NoneEnabled(*list)) << list->Menu->objectName().toStdString();
    for (QAction* a : menus.menuOptionsPreviewPreviewSource->actions()) EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(menus.menuOptionsCloseCaptioning->isEnabled());
    EXPECT_FALSE(menus.menuFileSaveCapturedVideoAs->isEnabled());
    for (const auto& p : pages) EXPECT_EQ(p.item->isEnabled(), !p.locked) << p.id;
    engine.ClearCalls();
    menus.menuOptionsVideoProcessors->trigger();
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"OpenDialog(20)"});

    engine.State = 5;  // busy: only the renderers stay locked
    options.UpdateMenuStatus();
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoDevice));
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoCaptureSize));
    EXPECT_TRUE(NoneEnabled(menus.menuOptionsPreviewAudioRenderer));
}

// Full screen flips without updating the menus, or says why not; it needs a metric and a
// state that allows it, and an unreadable metric disables it without stopping the run.
TEST_F(ViewCommands, FullScreenFlipsAndNeedsAMetricAndAState) {
    StartUp();
    EXPECT_TRUE(menus.menuViewFullScreen->isEnabled());
    EXPECT_EQ(menus.menuViewFullScreen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    engine.ClearCalls();
    menus.menuViewFullScreen->trigger();
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"FlipFullScreen"});
    EXPECT_FALSE(menus.menuViewFullScreen->isChecked());
    menus.menuView100->trigger();  // the next update brings the mark up to date
    EXPECT_TRUE(menus.menuViewFullScreen->isChecked());
    engine.Failures["FlipFullScreen"] = "No full screen on this display";
    menus.menuViewFullScreen->trigger();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "No full screen on this display");

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
        EXPECT_TRUE(engine.WasCalled("DialogAvailable(14)"));  // the run goes on past the guarded step
    }
}

TEST_F(MenuStatus, AFailingStepIsSkippedAndTheRestRuns) {
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

// An unoffered dialog stays disabled; during a capture a failing availability read still
// locks an offered dialog, and a failing Selected still locks its list, leaving the marks.
TEST_F(MenuStatus, UnofferedDialogStaysDisabledAndNothingSelectedChecksElementZero) {
    engine.VideoComp.Items = {{"A"}, {"B"}};
    engine.AvailableDialogs = {16};
    StartUp();
    EXPECT_TRUE(menus.menuOptionsCaptureProperties->isEnabled());
    EXPECT_FALSE(menus.menuOptionsPreviewProperties->isEnabled());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"No Recompression"});
    engine.State = 4;
    engine.Failures["DialogAvailable"] = "lost";
    engine.Failures["VideoCompressorList.Selected"] = "lost";
    options.UpdateMenuStatus();
    EXPECT_FALSE(menus.menuOptionsCaptureProperties->isEnabled());
    EXPECT_TRUE(NoneEnabled(menus.menuOptionsVideoCompressor));
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"No Recompression"});
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

// The switches flip their engine value and their mark both ways; a source or tap choice
// writes its value and is then the one checked.
TEST_F(ViewCommands, PreviewSwitchesAndChoices) {
    engine.CaptionsCanSwitch = true;
    StartUp();
    const struct {
        QAction* item;
        const bool* value;
        bool markIsNegation;
    } switches[] = {{menus.menuOptionsPreviewEnablePreview, &engine.Preview, false},
                    {menus.menuOptionsPreviewDisableWhileEditingProperties, &engine.DuringProps, true},
                    {menus.menuOptionsCloseCaptioning, &engine.Captions, false}};
    for (const auto& r : switches) {
        const bool first = *r.value;
        for (const bool expected : {!first, first}) {
            r.item->trigger();
            EXPECT_EQ(*r.value, expected) << r.item->text().toStdString();
            EXPECT_EQ(r.item->isChecked(), expected != r.markIsNegation) << r.item->text().toStdString();
        }
    }
    const struct {
        QAction* item;
        const int32_t* value;
        int32_t written;
        QAction* unchecked;
    } choices[] = {
        {menus.menuOptionsPreviewPreviewSourceAudioonly, &engine.Input, 2,
         menus.menuOptionsPreviewPreviewSourceVideoandAudio},
        {menus.menuOptionsPreviewPreviewSourceVideoonly, &engine.Input, 1, menus.menuOptionsPreviewPreviewSourceAudioonly},
        {menus.menuOptionsPreviewPreviewTapProcessors, &engine.Tap, 1, menus.menuOptionsPreviewPreviewTapSource}};
    for (const auto& c : choices) {
        c.item->trigger();
        EXPECT_EQ(*c.value, c.written) << c.item->text().toStdString();
        EXPECT_TRUE(c.item->isChecked()) << c.item->text().toStdString();
        EXPECT_FALSE(c.unchecked->isChecked()) << c.item->text().toStdString();
    }
}

}  // namespace
