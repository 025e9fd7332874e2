// The program as a user restarts it: the engine's choices made in the menus are there again.
#include "mainwindow/MainFrm.h"
#include "mainwindow/MainMenus.h"
#include "settings/Globals.h"
#include "support/ScriptedPrompts.h"
#include "support/MediaTest.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>

using namespace pelta;

namespace {

QAction* Checked(const ListMenu& menu) {
    for (QAction* a : menu.All)
        if (a->isChecked()) return a;
    return nullptr;
}

QAction* Named(const ListMenu& menu, const QString& caption) {
    for (QAction* a : menu.All)
        if (a->text() == caption) return a;
    return nullptr;
}

TEST(Restart, EngineChoicesMadeInTheMenusAreThereAtTheNextStart) {
    PELTA_NEEDS_SERVICE(test::StartMediaServices().XvfbUp, "the private display (Xvfb)");
    PELTA_NEEDS_SERVICE(test::StartMediaServices().PulseUp, "the private sound server (PulseAudio)");
    test::TempConfigHome home;
    test::ScriptedPrompts prompts;
    {
        MainFrm first;
        first.Load();
        MainMenus& m = first.Menus();
        // A first start records in H.264; "No Recompression" is still offered.
        ASSERT_NE(Checked(m.menuOptionsVideoCompressor), nullptr);
        EXPECT_EQ(Checked(m.menuOptionsVideoCompressor)->text(), "H.264 (x264)");
        EXPECT_NE(Named(m.menuOptionsVideoCompressor, "No Recompression"), nullptr);
        Named(m.menuOptionsVideoDevice, "Test Pattern")->trigger();
        Named(m.menuOptionsVideoCaptureSize, "640x480")->trigger();
        m.menuOptionsAudioDevice.All[0]->trigger();  // None
        Named(m.menuOptionsVideoCompressor, "FFV1 lossless")->trigger();
        EXPECT_TRUE(QFileInfo::exists(home.dir.filePath("pelta-rx/engine.profile")));
    }
    MainFrm second;
    second.Load();
    MainMenus& m = second.Menus();
    EXPECT_EQ(second.PanelText(2), "Test Pattern");
    EXPECT_EQ(second.PanelText(3), "No Audio Found");
    ASSERT_NE(Checked(m.menuOptionsVideoCaptureSize), nullptr);
    EXPECT_EQ(Checked(m.menuOptionsVideoCaptureSize)->text(), "640x480");
    ASSERT_NE(Checked(m.menuOptionsVideoCompressor), nullptr);
    EXPECT_EQ(Checked(m.menuOptionsVideoCompressor)->text(), "FFV1 lossless");
    EXPECT_EQ(Checked(m.menuOptionsAudioDevice), m.menuOptionsAudioDevice.All[0]);
}

}  // namespace
