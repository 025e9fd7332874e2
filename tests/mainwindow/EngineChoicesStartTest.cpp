// Start-up puts the engine's remembered devices back after the device menu has selected
// the first ones, and before the status bar, the size menu and the check marks are written.
#include "support/MainWindowFixture.h"

using namespace pelta;
using pelta::test::ScriptableEngine;

namespace {

using EngineChoicesAtStart = test::MainWindowTest;

TEST_F(EngineChoicesAtStart, RememberedDevicesWinOverTheFirstAndShowEverywhere) {
    int32_t videoWhenRestored = -2;
    const EngineFactory scripted = test::ScriptableFactory(&engine_, [](ScriptableEngine& e) {
        e.Video.Items = {{"Screen"}, {"Camera"}, {"Test Pattern"}};
        e.Audio.Items = {{"Mic"}, {"Test Tone"}};
        e.SizesByDevice[2] = {{320, 240}, {640, 480}};
    });
    main_ = std::make_unique<MainFrm>([&](QWidget* parent) {
        EngineBinding b = scripted(parent);
        b.RestoreChoices = [&] {
            videoWhenRestored = engine_->Video.Sel;
            engine_->VideoInputs().SetSelected(2);
            engine_->AudioInputs().SetSelected(-1);  // "None" is a choice too
        };
        return b;
    });
    main_->Load();
    EXPECT_EQ(videoWhenRestored, 0);  // the device menu had run
    EXPECT_EQ(main_->PanelText(2), "Test Pattern");
    EXPECT_EQ(main_->PanelText(3), "No Audio Found");
    const ListMenu& video = main_->Menus().menuOptionsVideoDevice;
    ASSERT_EQ(video.All.size(), 4u);
    EXPECT_TRUE(video.All[3]->isChecked());
    EXPECT_FALSE(video.All[1]->isChecked());
    EXPECT_TRUE(main_->Menus().menuOptionsAudioDevice.All[0]->isChecked());
    // The size menu was built for the remembered device.
    EXPECT_EQ(main_->Menus().menuOptionsVideoCaptureSize.All.size(), 2u);
}

}  // namespace
