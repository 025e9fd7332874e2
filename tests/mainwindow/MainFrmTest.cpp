#include "mainwindow/MainFrm.h"
#include "mainwindow/StatusBarPanels.h"
#include "mainwindow/StatusText.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

using namespace pelta;
using pelta::test::ScriptableEngine;

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
        bAutoName = bTopWindow = bWindowsDown = bAddTime = false;
        sExt.clear();
    }
    std::unique_ptr<MainFrm> Make(std::function<void(ScriptableEngine&)> script = {}) {
        auto w = std::make_unique<MainFrm>(test::ScriptableFactory(&engine_, script));
        w->Load();
        return w;
    }
    QTemporaryDir home_;
    ScriptableEngine* engine_ = nullptr;
    test::ScriptedPrompts prompts_;
};

TEST_F(MainWindow, CaptionSizeAndDefaultsWithNoSettings) {
    auto w = Make();
    w->show();
    QApplication::processEvents();
    EXPECT_EQ(w->windowTitle(), "Pelta-RX - Quillmere" + QString(53, ' ') + "Capture");
    EXPECT_EQ(w->centralWidget()->size(), QSize(537, 284));
    EXPECT_FALSE(w->Menus().menuAUTO->isChecked());
    EXPECT_FALSE(w->Menus().menuAUTODir->isEnabled());
    EXPECT_FALSE(w->Menus().Mins->isChecked());
    EXPECT_FALSE(bAutoName);
    EXPECT_EQ(sExt, ".avi");
    EXPECT_TRUE(QDir(home_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    // Preview at 100 % and on, in that order.
    auto fit = std::find(engine_->Calls.begin(), engine_->Calls.end(), "PreviewFit=2");
    auto on = std::find(engine_->Calls.begin(), engine_->Calls.end(), "PreviewOn=True");
    ASSERT_NE(fit, engine_->Calls.end());
    EXPECT_LT(fit, on);
}

TEST_F(MainWindow, StoredSettingsSetTheMarks) {
    CreateProgramSettings();
    gSettings->SaveSetting(gSection, "AutoName", "true");
    gSettings->SaveSetting(gSection, "WindowsDown", "True");
    gSettings->SaveSetting(gSection, "TopWindow", "nonsense");
    auto w = Make();
    EXPECT_TRUE(w->Menus().menuAUTO->isChecked());
    EXPECT_TRUE(w->Menus().menuAUTODir->isEnabled());
    EXPECT_TRUE(w->Menus().Mins->isChecked());
    EXPECT_FALSE(w->Menus().menuTopWindow->isChecked());
}

TEST_F(MainWindow, ResetStatusBarLeavesExactlySixPanels) {
    auto w = Make();
    for (int i = 0; i < 9; ++i) w->sbMain().Add();
    w->ResetStatusBar();
    ASSERT_EQ(w->sbMain().Count(), 6);
    const int widths[6] = {3520, 2300, 2500, 600, 600, 600};
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(w->sbMain().Panel(i).WidthTwips, widths[i - 1]);
    EXPECT_EQ(w->sbMain().Panel(4).Style, PanelStyle::CapsLock);
    EXPECT_EQ(w->sbMain().Panel(5).Style, PanelStyle::NumLock);
    EXPECT_EQ(w->sbMain().Panel(6).Style, PanelStyle::ScrollLock);
    EXPECT_EQ(StatusBarPanels::LockState(PanelStyle::CapsLock), -1);  // offscreen: unknown
}

TEST_F(MainWindow, SmallWindowLeavesTheEngineWindowInPlace) {
    auto w = Make();
    w->show();
    const QRect before = w->EngineWidget()->geometry();
    w->centralWidget()->resize(400, 20);  // not above 26 px
    EXPECT_EQ(w->EngineWidget()->geometry(), before);
    w->centralWidget()->resize(400, 200);
    EXPECT_EQ(w->EngineWidget()->geometry(), QRect(0, 0, 400, 174));
}

TEST_F(MainWindow, SummaryTexts) {
    auto w = Make([](ScriptableEngine& e) {
        e.Captured = 150;
        e.Dropped = 2;
        e.Elapsed = 10;
        e.FrameBytes = 100000;
    });
    w->WriteCaptureStatus(true);
    EXPECT_EQ(w->PanelText(1), "Captured 150 frames in 10 sec (2 dropped): 15 fps 1.5 MB/sec");
    w->WriteCaptureStatus(false);
    EXPECT_EQ(w->PanelText(1), "Captured 150 frames in 10 sec (2 dropped)");
    engine_->Elapsed = 0;
    w->WriteCaptureStatus(true);
    EXPECT_TRUE(w->PanelText(1).endsWith("0 fps 0 MB/sec"));
    EXPECT_EQ(NumberText(10.0 / 3.0), "3.33333333333333");
    EXPECT_EQ(NumberText(12.5), "12.5");
    EXPECT_EQ(NumberText(int64_t(-7)), "-7");
}

TEST_F(MainWindow, ProgressEventsWriteFormatFramesAndTime) {
    auto w = Make([](ScriptableEngine& e) {
        e.Format = 6;
        e.Captured = 3;
        e.Elapsed = 1.5;
        e.Active = 1;
    });
    engine_->RaiseProgress();
    EXPECT_EQ(w->PanelText(5), "Format: MP3");
    EXPECT_EQ(w->sbMain().Panel(5).WidthTwips, 3600);
    EXPECT_EQ(w->PanelText(3), "Recording ...");
    EXPECT_EQ(w->PanelText(2), "Not Dropped 3");
    EXPECT_EQ(w->PanelText(4), "Time: 1.5");
    EXPECT_TRUE(w->bRecordingShown);
    engine_->Active = 4;
    engine_->RaiseProgress();
    EXPECT_EQ(w->PanelText(4), "");
    engine_->RaiseEnded();
    EXPECT_EQ(w->PanelText(3), "Ready");
    EXPECT_FALSE(w->bRecordingShown);
    EXPECT_EQ(MainFrm::GetFormatName("12"), "");
    EXPECT_EQ(MainFrm::GetFormatName("0"), "Avi");
}

TEST_F(MainWindow, ErrorsAndEscape) {
    auto w = Make();
    engine_->RaiseError(5);
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0].Text, " Error 5 occurred.");
    engine_->RaiseKeyDown(27, 0);
    EXPECT_FALSE(engine_->WasCalled("FlipFullScreen"));
    engine_->FullScreen = true;
    engine_->RaiseKeyDown(27, 0);
    EXPECT_TRUE(engine_->WasCalled("FlipFullScreen"));
}

TEST_F(MainWindow, ClosingStopsTheCaptureThenWritesTheFullSummary) {
    auto w = Make([](ScriptableEngine& e) {
        e.Captured = 30;
        e.Elapsed = 2;
        e.FrameBytes = 1000;
        e.State = 4;
    });
    engine_->ClearCalls();
    w->close();
    const auto end = std::find(engine_->Calls.begin(), engine_->Calls.end(), "EndCapture");
    const auto read = std::find(engine_->Calls.begin(), engine_->Calls.end(), "FramesDropped");
    ASSERT_NE(end, engine_->Calls.end());
    EXPECT_LT(end, read);
    EXPECT_EQ(w->PanelText(1), "Captured 30 frames in 2 sec (0 dropped): 15 fps 0.015 MB/sec");
}

TEST_F(MainWindow, FailingLoadStepsAreSkipped) {
    auto w = Make([](ScriptableEngine& e) {
        e.Failures["PreviewFit="] = "no preview";
        e.Failures["VideoInputs.Count"] = "no list";
    });
    EXPECT_TRUE(engine_->WasCalled("PreviewOn=True"));
    EXPECT_EQ(w->sbMain().Count(), 6);
}

}  // namespace
