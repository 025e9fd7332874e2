#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

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

TEST_F(ViewCommands, FullScreenFlipsWithoutUpdatingTheMenus) {
    StartUp();
    EXPECT_EQ(menus.menuViewFullScreen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    engine.ClearCalls();
    menus.menuViewFullScreen->trigger();
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"FlipFullScreen"});
    EXPECT_FALSE(menus.menuViewFullScreen->isChecked());
    menus.menuView100->trigger();  // the next update brings the mark up to date
    EXPECT_TRUE(menus.menuViewFullScreen->isChecked());
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
}

TEST_F(ViewCommands, VideoProcessorsWhileCapturing) {
    StartUp();
    engine.State = 4;
    options.UpdateMenuStatus();
    ASSERT_TRUE(menus.menuOptionsVideoProcessors->isEnabled());
    engine.ClearCalls();
    menus.menuOptionsVideoProcessors->trigger();
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"OpenDialog(20)"});
}

TEST_F(ViewCommands, AFailingCommandShowsTheEngineText) {
    StartUp();
    engine.Failures["FlipFullScreen"] = "No full screen on this display";
    menus.menuViewFullScreen->trigger();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "No full screen on this display");
}

}  // namespace
