#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using DeviceMenus = MenusTest;

TEST_F(DeviceMenus, NoVideoDeviceLeavesOnlyNoneAndTheSelectionUntouched) {
    engine.Audio.Items = {{"Mic"}};
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsVideoDevice), QStringList{"None"});
    EXPECT_FALSE(engine.WasCalled("VideoInputs.Selected=0"));
    EXPECT_EQ(panels[2], "No Video Found");
    EXPECT_EQ(panels[3], "Mic");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoDevice), QStringList{"None"});
}

TEST_F(DeviceMenus, ThreeAudioDevicesInEngineOrderWithTheirTags) {
    engine.Audio.Items = {{" Line In "}, {"Monitor of Null"}, {"USB Mic"}};
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsAudioDevice),
              (QStringList{"None", " Line In ", "Monitor of Null", "USB Mic"}));
    EXPECT_EQ(Tags(menus.menuOptionsAudioDevice), (QStringList{"-1", "0", "1", "2"}));
    EXPECT_EQ(engine.Audio.Sel, 0);
    EXPECT_EQ(panels[3], " Line In ");  // blanks kept
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioDevice), QStringList{" Line In "});
    for (QAction* a : menus.menuOptionsAudioDevice.Menu->actions())
        EXPECT_EQ(a->objectName(), "menuOptionsAudioDeviceAll");
}

TEST_F(DeviceMenus, ChoosingNoneForVideoRebuildsSizesAndWritesNoVideo) {
    engine.Video.Items = {{"Screen"}};
    engine.SizesByDevice[0] = {{640, 480}, {320, 240}};
    engine.Sizes.Items = engine.SizesByDevice[0];
    StartUp();
    ASSERT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"640x480", "320x240"}));
    engine.ClearCalls();

    Click(menus.menuOptionsVideoDevice, 0);

    EXPECT_EQ(engine.Video.Sel, -1);
    EXPECT_EQ(panels[2], "No Video Found");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoDevice), QStringList{"None"});
    EXPECT_FALSE(menus.menuOptionsVideoCaptureSize.Menu->menuAction()->isEnabled());
    EXPECT_EQ(menus.menuOptionsVideoCaptureSize.All.size(), 1u);
    // Selection, then sizes, then the status, then the menu states.
    const auto& c = engine.Calls;
    auto at = [&](const std::string& s) { return std::find(c.begin(), c.end(), s) - c.begin(); };
    EXPECT_LT(at("VideoInputs.Selected=-1"), at("VideoSizeList.Count"));
    EXPECT_LT(at("VideoSizeList.Count"), at("VideoInputs.Selected"));
    EXPECT_LT(at("VideoInputs.Selected"), at("EngineState"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DeviceMenus, ChoosingAnAudioDeviceNeverTouchesTheSizes) {
    engine.Video.Items = {{"Screen"}};
    engine.Audio.Items = {{"A"}, {"B"}};
    engine.Sizes.Items = {{640, 480}};
    StartUp();
    engine.ClearCalls();
    Click(menus.menuOptionsAudioDevice, 2);
    EXPECT_EQ(engine.Audio.Sel, 1);
    EXPECT_EQ(panels[3], "B");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioDevice), QStringList{"B"});
    ASSERT_GE(engine.Calls.size(), 2u);
    EXPECT_EQ(engine.Calls[0], "AudioInputs");
    EXPECT_EQ(engine.Calls[1], "AudioInputs.Selected=1");
    EXPECT_TRUE(engine.CallsStartingWith("VideoSizeList.Item").empty());
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), QStringList{"640x480"});
}

TEST_F(DeviceMenus, RefusedDeviceShowsTheEngineTextAndLeavesMarks) {
    engine.Audio.Items = {{"A"}, {"B"}};
    StartUp();
    engine.Failures["AudioInputs.Selected="] = "Device busy";
    engine.ClearCalls();
    Click(menus.menuOptionsAudioDevice, 2);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "Device busy");
    EXPECT_EQ(prompts.Messages[0].Title, ApplicationTitle());
    EXPECT_EQ(prompts.Messages[0].Buttons, PromptButtons::Ok);
    EXPECT_EQ(engine.Audio.Sel, 0);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioDevice), QStringList{"A"});
    EXPECT_FALSE(engine.WasCalled("EngineState"));  // no menu update
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DeviceMenus, UnreadableListsLeaveOnlyNone) {
    engine.Video.Items = {{"Screen"}};
    engine.Failures["VideoInputs.Count"] = "gone";
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsVideoDevice), QStringList{"None"});
    EXPECT_EQ(Tags(menus.menuOptionsVideoDevice), QStringList{"-1"});
}

}  // namespace
