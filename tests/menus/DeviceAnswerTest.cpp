// The engine's late answer to a change of device: the choice shows at once; when the device
// then refuses, the window says why and shows again the devices and sizes still in use.
#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using DeviceAnswer = MenusTest;

TEST_F(DeviceAnswer, ARefusalThatComesLaterIsSaidAndTheMenusShowTheDeviceInUse) {
    engine.Video.Items = {{"Camera"}, {"Screen"}};
    engine.Audio.Items = {{"A"}, {"B"}};
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    engine.Sizes.Sel = 0;
    StartUp();
    Click(menus.menuOptionsVideoDevice, 2);  // "Screen": taken at once, opened later
    Click(menus.menuOptionsAudioDevice, 2);  // "B"
    EXPECT_EQ(panels[2], "Screen");
    EXPECT_EQ(panels[3], "B");
    EXPECT_TRUE(prompts.Messages.empty());

    // The screen refuses: the engine shows the camera again, with its other sizes.
    engine.Video.Sel = 0;
    engine.Sizes.Items = {{1280, 720}};
    engine.Sizes.Sel = 0;
    const std::string why = "Cannot open the video device \"Screen\": Permission denied";
    options.DevicesSettled(why);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, QString::fromStdString(why));
    EXPECT_EQ(prompts.Messages[0].Title, ApplicationTitle());
    EXPECT_EQ(panels[2], "Camera");
    EXPECT_EQ(panels[3], "B");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoDevice), QStringList{"Camera"});
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), QStringList{"1280x720"});

    // A device that opened is no news: nothing is said.
    options.DevicesSettled("");
    EXPECT_EQ(prompts.Messages.size(), 1u);
}

}  // namespace
