#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using SizeMenus = MenusTest;

TEST_F(SizeMenus, TwoSizesInEngineOrderWithoutPlaceholders) {
    engine.Video.Items = {{"Cam"}};
    engine.SizesByDevice[0] = {{640, 480}, {320, 240}};
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"640x480", "320x240"}));
    EXPECT_EQ(Tags(menus.menuOptionsVideoCaptureSize), (QStringList{"0", "1"}));
    EXPECT_TRUE(menus.menuOptionsVideoCaptureSize.Menu->menuAction()->isEnabled());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"640x480"});
}

TEST_F(SizeMenus, FiveSizesThenTwoLeavesTwo) {
    engine.Video.Items = {{"Big"}, {"Small"}};
    engine.SizesByDevice[0] = {{1920, 1080}, {1280, 720}, {800, 600}, {640, 480}, {320, 240}};
    engine.SizesByDevice[1] = {{176, 144}, {352, 288}};
    StartUp();
    ASSERT_EQ(Captions(menus.menuOptionsVideoCaptureSize).size(), 5);
    Click(menus.menuOptionsVideoDevice, 2);
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"176x144", "352x288"}));
    EXPECT_EQ(menus.menuOptionsVideoCaptureSize.All.size(), 2u);
    EXPECT_EQ(panels[2], "Small");
    // The new items answer clicks.
    Click(menus.menuOptionsVideoCaptureSize, 1);
    EXPECT_EQ(engine.Sizes.Sel, 1);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"352x288"});
}

TEST_F(SizeMenus, NoSizesDisableTheSubmenu) {
    engine.Video.Items = {{"Cam"}};
    engine.SizesByDevice[0] = {};
    StartUp();
    EXPECT_FALSE(menus.menuOptionsVideoCaptureSize.Menu->menuAction()->isEnabled());
}

TEST_F(SizeMenus, UncountableSizesLeaveTheOldItemsAndReachTheCaller) {
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    StartUp();
    engine.Failures["VideoSizeList.Count"] = "no sizes";
    EXPECT_THROW(options.BuildVideoSizeMenu(), EngineError);
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"640x480", "320x240"}));
}

TEST_F(SizeMenus, OpeningLocksSizesWhileBusyOrCapturing) {
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    engine.Sizes.Sel = 1;
    engine.State = 5;
    StartUp();
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoCaptureSize));  // state 5 does not lock here
    EXPECT_FALSE(menus.menuOptionsPreviewAudioRenderer.All[0]->isEnabled());
    emit menus.menuOptionsVideoCaptureSize.Menu->aboutToShow();
    EXPECT_TRUE(NoneEnabled(menus.menuOptionsVideoCaptureSize));
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"320x240"});
    engine.State = 1;
    emit menus.menuOptionsVideoCaptureSize.Menu->aboutToShow();
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoCaptureSize));
}

TEST_F(SizeMenus, RendererDefaultSelectsNone) {
    engine.Renderers.Items = {{"Null Output"}, {"Speakers"}};
    engine.Renderers.Sel = 1;
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsPreviewAudioRenderer), (QStringList{"Default", "Null Output", "Speakers"}));
    EXPECT_TRUE(engine.CallsStartingWith("AudioRendererList.Selected=").empty());
    Click(menus.menuOptionsPreviewAudioRenderer, 0);
    EXPECT_EQ(engine.Renderers.Sel, -1);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsPreviewAudioRenderer), QStringList{"Default"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SizeMenus, RefusedSizeShowsTheEngineTextAndKeepsMarks) {
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    engine.Sizes.Sel = 0;
    StartUp();
    engine.Failures["VideoSizeList.Selected="] = "Format not supported";
    Click(menus.menuOptionsVideoCaptureSize, 1);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "Format not supported");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"640x480"});
}

}  // namespace
