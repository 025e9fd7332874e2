#include "MenusFixture.h"

using namespace pelta;
using namespace pelta::test;

namespace {

using DeviceMenus = MenusTest;
using ListMenus = MenusTest;
using SizeMenus = MenusTest;

TEST_F(DeviceMenus, NoVideoDeviceLeavesOnlyNoneAndTheSelectionUntouched) {
    engine.Audio.Items = {{"Mic"}};
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsVideoDevice), QStringList{"None"});
    EXPECT_FALSE(engine.WasCalled("VideoInputs.Selected=0"));
    EXPECT_EQ(panels[2], "No Video Found");
    EXPECT_EQ(panels[3], "Mic");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoDevice), QStringList{"None"});
    // A list the engine cannot count is left with only None as well.
    engine.Video.Items = {{"Screen"}};
    engine.Failures["VideoInputs.Count"] = "gone";
    options.BuildDeviceMenu();
    EXPECT_EQ(Tags(menus.menuOptionsVideoDevice), QStringList{"-1"});
}

// The devices in engine order, the first in use; a name is shown as it is, blanks kept and
// "&" doubled in the menu ("&&" shows one "&"), never taken for a mnemonic.
TEST_F(DeviceMenus, AudioDevicesInEngineOrderWithTheirTagsAndNamesAsTheyAre) {
    engine.Audio.Items = {{" Rock & Roll "}, {"Monitor of Null"}, {"A&B"}};
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsAudioDevice),
              (QStringList{"None", " Rock && Roll ", "Monitor of Null", "A&&B"}));
    EXPECT_EQ(Tags(menus.menuOptionsAudioDevice), (QStringList{"-1", "0", "1", "2"}));
    EXPECT_EQ(engine.Audio.Sel, 0);
    EXPECT_EQ(panels[3], " Rock & Roll ");
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioDevice), QStringList{" Rock && Roll "});
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
    // The busy pointer shows while the engine changes device, and is gone before the menus update.
    EXPECT_TRUE(engine.CalledBusy.count("VideoInputs.Selected=-1"));
    EXPECT_FALSE(engine.CalledBusy.count("EngineState"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The engine's late answer to a change of device: the choice shows at once; when the device
// then refuses, the window says why and shows again the devices and sizes still in use.
// Choosing an audio device never touches the sizes.
TEST_F(DeviceMenus, ARefusalThatComesLaterIsSaidAndTheMenusShowTheDeviceInUse) {
    engine.Video.Items = {{"Camera"}, {"Screen"}};
    engine.Audio.Items = {{"A"}, {"B"}};
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    engine.Sizes.Sel = 0;
    StartUp();
    Click(menus.menuOptionsVideoDevice, 2);  // "Screen": taken at once, opened later
    engine.ClearCalls();
    Click(menus.menuOptionsAudioDevice, 2);  // "B"
    EXPECT_EQ(engine.Audio.Sel, 1);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioDevice), QStringList{"B"});
    ASSERT_GE(engine.Calls.size(), 2u);
    EXPECT_EQ(engine.Calls[0], "AudioInputs");
    EXPECT_EQ(engine.Calls[1], "AudioInputs.Selected=1");
    EXPECT_TRUE(engine.CallsStartingWith("VideoSizeList.Item").empty());
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"640x480", "320x240"}));
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

TEST_F(ListMenus, ARefusedChoiceShowsTheEngineTextAndKeepsTheMark) {
    engine.Audio.Items = {{"A"}, {"B"}};
    engine.VideoComp.Items = {{"MJPEG"}};
    engine.Renderers.Items = {{"Out"}};
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    engine.Sizes.Sel = 0;
    StartUp();
    const struct {
        const ListMenu* list;
        std::string write;
        size_t click;
        QString kept;
    } rows[] = {{&menus.menuOptionsAudioDevice, "AudioInputs.Selected=", 2, "A"},
                {&menus.menuOptionsVideoCompressor, "VideoCompressorList.Selected=", 1, "No Recompression"},
                {&menus.menuOptionsPreviewAudioRenderer, "AudioRendererList.Selected=", 1, "Default"},
                {&menus.menuOptionsVideoCaptureSize, "VideoSizeList.Selected=", 1, "640x480"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.write);
        engine.Failures = {{r.write, "refused: " + r.write}};
        engine.ClearCalls();
        prompts.Messages.clear();
        Click(*r.list, r.click);
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Text, QString::fromStdString("refused: " + r.write));
        EXPECT_EQ(prompts.Messages[0].Title, ApplicationTitle());
        EXPECT_EQ(prompts.Messages[0].Buttons, PromptButtons::Ok);
        EXPECT_EQ(CheckedCaptions(*r.list), QStringList{r.kept});
        EXPECT_FALSE(engine.WasCalled("EngineState"));  // no menu update
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

// A device's sizes in engine order, element 0 reused and none left over from the last device.
TEST_F(SizeMenus, FiveSizesThenTwoLeavesTwoThenUncountableLeavesThem) {
    engine.Video.Items = {{"Big"}, {"Small"}};
    engine.SizesByDevice[0] = {{1920, 1080}, {1280, 720}, {800, 600}, {640, 480}, {320, 240}};
    engine.SizesByDevice[1] = {{176, 144}, {352, 288}};
    StartUp();
    ASSERT_EQ(Captions(menus.menuOptionsVideoCaptureSize).size(), 5);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"1920x1080"});
    Click(menus.menuOptionsVideoDevice, 2);
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"176x144", "352x288"}));
    EXPECT_EQ(Tags(menus.menuOptionsVideoCaptureSize), (QStringList{"0", "1"}));
    EXPECT_EQ(menus.menuOptionsVideoCaptureSize.All.size(), 2u);
    EXPECT_TRUE(menus.menuOptionsVideoCaptureSize.Menu->menuAction()->isEnabled());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"176x144"});
    EXPECT_EQ(panels[2], "Small");
    // The new items answer clicks.
    Click(menus.menuOptionsVideoCaptureSize, 1);
    EXPECT_EQ(engine.Sizes.Sel, 1);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"352x288"});
    // Sizes that cannot be counted leave the old items, and the failure reaches the caller.
    engine.Failures["VideoSizeList.Count"] = "no sizes";
    EXPECT_THROW(options.BuildVideoSizeMenu(), EngineError);
    EXPECT_EQ(Captions(menus.menuOptionsVideoCaptureSize), (QStringList{"176x144", "352x288"}));
}

TEST_F(SizeMenus, OpeningLocksSizesWhileBusyOrCapturing) {
    engine.Sizes.Items = {{640, 480}, {320, 240}};
    engine.Sizes.Sel = 1;
    engine.State = 5;
    StartUp();
    EXPECT_TRUE(AllEnabled(menus.menuOptionsVideoCaptureSize));  // state 5 does not lock here
    EXPECT_FALSE(menus.menuOptionsPreviewAudioRenderer.All[0]->isEnabled());
    for (const auto& [state, locked] : {std::pair{5, true}, {1, false}, {4, true}}) {
        engine.State = state;
        emit menus.menuOptionsVideoCaptureSize.Menu->aboutToShow();
        EXPECT_EQ(NoneEnabled(menus.menuOptionsVideoCaptureSize), locked) << state;
        EXPECT_EQ(AllEnabled(menus.menuOptionsVideoCaptureSize), !locked) << state;
        EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCaptureSize), QStringList{"320x240"});
    }
}

// Building names element 0 and leaves the engine's selection as it is. Element 0, "Default"
// or "No Recompression", selects none, and never warns, even when the compressor in use is
// a restricted one.
TEST_F(ListMenus, BuildingKeepsTheSelectionAndElementZeroSelectsNone) {
    engine.Renderers.Items = {{"Null Output"}, {"Speakers"}};
    engine.Renderers.Sel = 1;
    engine.VideoComp.Items = {{"MJPEG"}, {"MSScreen encoder DMO"}};
    engine.VideoComp.Sel = 1;
    StartUp();
    EXPECT_EQ(Captions(menus.menuOptionsPreviewAudioRenderer), (QStringList{"Default", "Null Output", "Speakers"}));
    EXPECT_EQ(Captions(menus.menuOptionsVideoCompressor),
              (QStringList{"No Recompression", "MJPEG", "MSScreen encoder DMO"}));
    EXPECT_EQ(Tags(menus.menuOptionsVideoCompressor), (QStringList{"-1", "0", "1"}));
    EXPECT_EQ(Captions(menus.menuOptionsAudioCompressor), QStringList{"No Recompression"});
    EXPECT_TRUE(engine.CallsStartingWith("AudioRendererList.Selected=").empty());
    EXPECT_TRUE(engine.CallsStartingWith("VideoCompressorList.Selected=").empty());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsPreviewAudioRenderer), QStringList{"Speakers"});
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"MSScreen encoder DMO"});
    Click(menus.menuOptionsPreviewAudioRenderer, 0);
    Click(menus.menuOptionsVideoCompressor, 0);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(engine.Renderers.Sel, -1);
    EXPECT_EQ(engine.VideoComp.Sel, -1);
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsPreviewAudioRenderer), QStringList{"Default"});
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsVideoCompressor), QStringList{"No Recompression"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

using CompressorMenus = MenusTest;

// Each restricted name is warned in its own list only, and exactly: another case or a
// trailing blank is not the name. Yes selects it.
TEST_F(CompressorMenus, EachRestrictedNameIsWarnedExactlyAndOnlyInItsOwnList) {
    const QStringList audio{"IAC2", "Lernout & Hauspie SBC 8kbit/s", "Lernout & Hauspie SBC 12kbit/s",
                            "Lernout & Hauspie SBC 16kbit/s", "Windows Media Audio V1", "WMAudio Encoder DMO",
                            "ACELP.net"};
    const QStringList video{"Microsoft H.263 Video Codec", "Microsoft H.261 Video Codec", "WMVideo Encoder DMO",
                            "WMVideo8 Encoder DMO", "MSScreen encoder DMO", "VDOnet VDOWave",
                            "Intel 4:2:0 Video V2.5"};
    // Each list holds its own seven names, the other list's seven, then two near misses.
    for (const QString& n : video + audio + QStringList{"MSScreen Encoder DMO", "MSScreen encoder DMO "})
        engine.VideoComp.Items.push_back({n.toStdString()});
    for (const QString& n : audio + video + QStringList{"iac2", "IAC2 "})
        engine.AudioComp.Items.push_back({n.toStdString()});
    StartUp();
    for (const auto& [list, sel] : {std::pair{&menus.menuOptionsAudioCompressor, &engine.AudioComp.Sel},
                                    std::pair{&menus.menuOptionsVideoCompressor, &engine.VideoComp.Sel}})
        for (size_t k = 1; k <= 16; ++k) {
            SCOPED_TRACE(list->All[k]->text().toStdString());
            const size_t before = prompts.Messages.size();
            Click(*list, k);
            EXPECT_EQ(prompts.Messages.size() - before, k <= 7 ? 1u : 0u);
            EXPECT_EQ(*sel, int32_t(k) - 1);
            EXPECT_EQ(CheckedCaptions(*list), QStringList{list->All[k]->text()});
        }
    EXPECT_TRUE(engine.CalledBusy.count("VideoCompressorList.Selected=15"));
    EXPECT_FALSE(engine.CalledBusy.count("EngineState"));  // the menus update after the pointer is back
    ASSERT_FALSE(prompts.Messages.empty());
    const auto& m = prompts.Messages[0];
    EXPECT_EQ(m.Title, "Warning");
    EXPECT_EQ(m.Buttons, PromptButtons::YesNo);
    EXPECT_TRUE(m.DefaultYes);
    EXPECT_EQ(m.Text, QString("In our tests, the compressor you have selected\r has caused unexpected behaviour on "
                              "some computers.\rAre you sure you want to use it?"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Answering No keeps the previous compressor; the engine's name decides, not the caption.
// The pointer is busy during the question, but not during a refusal's message.
TEST_F(CompressorMenus, AnsweringNoKeepsThePreviousCompressor) {
    engine.AudioComp.Items = {{"PCM"}, {"ACELP.net"}};
    engine.AudioComp.Sel = 0;
    engine.VideoComp.Items = {{"Plain"}, {"MJPEG"}};
    StartUp();
    menus.menuOptionsVideoCompressor.All[1]->setText("Plain");
    engine.VideoComp.Items[0].DisplayName = "WMVideo8 Encoder DMO";
    engine.ClearCalls();
    prompts.Answers = {PromptAnswer::No, PromptAnswer::No};
    Click(menus.menuOptionsAudioCompressor, 2);
    Click(menus.menuOptionsVideoCompressor, 1);
    EXPECT_EQ(prompts.Messages.size(), 2u);
    EXPECT_EQ(engine.AudioComp.Sel, 0);
    EXPECT_EQ(engine.VideoComp.Sel, -1);
    EXPECT_TRUE(engine.CallsStartingWith("AudioCompressorList.Selected=").empty());
    EXPECT_EQ(CheckedCaptions(menus.menuOptionsAudioCompressor), QStringList{"PCM"});
    engine.Failures["VideoCompressorList.Selected="] = "refused";
    Click(menus.menuOptionsVideoCompressor, 2);
    ASSERT_EQ(prompts.Messages.size(), 3u);
    EXPECT_TRUE(prompts.Messages[0].Busy && prompts.Messages[1].Busy);
    EXPECT_FALSE(prompts.Messages[2].Busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CompressorMenus, VerifyNeverReadsPastTheArray) {
    engine.VideoComp.Items = {{"Nothing special"}};
    const QStringList shortList{"A"};
    EXPECT_TRUE(options.VerifyCompressor(engine.VideoComp, 1, shortList, 7));
    EXPECT_TRUE(options.VerifyCompressor(engine.VideoComp, 0, shortList, 7));
}

}  // namespace
