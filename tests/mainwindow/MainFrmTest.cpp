#include "controls/Twips.h"
#include "mainwindow/CaptureCommands.h"
#include "mainwindow/StatusBarPanels.h"
#include "mainwindow/StatusText.h"
#include "settings/RegSettings.h"
#include "support/MainWindowFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QToolTip>
#include <QTranslator>

using namespace pelta;
using pelta::test::ScriptableEngine;

namespace {

using MainWindow = test::MainWindowTest;

void SetCounts(ScriptableEngine& e, int captured, int dropped, double elapsed, int frameBytes) {
    e.Captured = captured;
    e.Dropped = dropped;
    e.Elapsed = elapsed;
    e.FrameBytes = frameBytes;
}

// With no settings stored: the caption, the size, the marks, nothing written; the engine's
// window fills the client area above the status bar, and stays put when there is no room.
TEST_F(MainWindow, CaptionSizeDefaultsAndLayoutWithNoSettings) {
    MainFrm* w = &Open();
    w->show();
    QApplication::processEvents();
    EXPECT_EQ(w->windowTitle(), "Pelta-RX - Quillmere" + QString(53, ' ') + "Capture");
    EXPECT_EQ(w->centralWidget()->size(), QSize(537, 284));
    EXPECT_FALSE(w->Menus().menuAUTO->isChecked());
    EXPECT_FALSE(w->Menus().menuAUTODir->isEnabled());
    EXPECT_FALSE(w->Menus().Mins->isChecked());
    EXPECT_EQ(sExt, ".avi");
    EXPECT_TRUE(QDir(home_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    // Preview at 100 % and on, in that order.
    auto fit = std::find(engine_->Calls.begin(), engine_->Calls.end(), "PreviewFit=2");
    auto on = std::find(engine_->Calls.begin(), engine_->Calls.end(), "PreviewOn=True");
    ASSERT_NE(fit, engine_->Calls.end());
    EXPECT_LT(fit, on);

    w->centralWidget()->resize(400, 200);
    EXPECT_EQ(w->EngineWidget()->geometry(), QRect(0, 0, 400, 174));
    w->centralWidget()->resize(400, 20);  // not above 26 px
    EXPECT_EQ(w->EngineWidget()->geometry(), QRect(0, 0, 400, 174));
}

TEST_F(MainWindow, StoredSettingsSetTheMarks) {
    CreateProgramSettings();
    gSettings->SaveSetting(gSection, "AutoName", "true");
    gSettings->SaveSetting(gSection, "WindowsDown", "True");
    gSettings->SaveSetting(gSection, "TopWindow", "nonsense");
    MainFrm* w = &Open();
    EXPECT_TRUE(w->Menus().menuAUTO->isChecked());
    EXPECT_TRUE(w->Menus().menuAUTODir->isEnabled());
    EXPECT_TRUE(w->Menus().Mins->isChecked());
    EXPECT_FALSE(w->Menus().menuTopWindow->isChecked());
}

// Start-up goes on past steps that fail; the status bar is rebuilt as six panels however
// many it had.
TEST_F(MainWindow, FailingLoadStepsAreSkippedAndResetStatusBarLeavesSixPanels) {
    MainFrm* w = &Open([](ScriptableEngine& e) {
        e.Failures["PreviewFit="] = "no preview";
        e.Failures["VideoInputs.Count"] = "no list";
    });
    EXPECT_TRUE(engine_->WasCalled("PreviewOn=True"));
    EXPECT_EQ(w->sbMain().Count(), 6);
    for (int i = 0; i < 9; ++i) w->sbMain().Add();
    w->ResetStatusBar();
    ASSERT_EQ(w->sbMain().Count(), 6);
    const std::pair<int, PanelStyle> panels[6] = {{3520, PanelStyle::Text},    {2300, PanelStyle::Text},
                                                  {2500, PanelStyle::Text},    {600, PanelStyle::CapsLock},
                                                  {600, PanelStyle::NumLock}, {600, PanelStyle::ScrollLock}};
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(w->sbMain().Panel(i).WidthTwips, panels[i - 1].first) << i;
        EXPECT_EQ(w->sbMain().Panel(i).Style, panels[i - 1].second) << i;
    }
    EXPECT_EQ(StatusBarPanels::LockState(PanelStyle::CapsLock), -1);  // offscreen: unknown
}

// The summary is rounded for reading; once the engine has counted the file's bytes (sound,
// headers and index with the pictures) the rate is what the file took. The panel's tool tip
// holds the whole text.
TEST_F(MainWindow, SummaryTexts) {
    MainFrm* w = &Open();
    const struct {
        int captured, dropped;
        double secs;
        int frameBytes;
        int64_t fileBytes;
        bool withRate;
        const char* text;
    } cases[] = {
        {150, 2, 10, 100000, 0, true, "Captured 150 frames in 10 sec (2 dropped): 15 fps 1.5 MB/sec"},
        {150, 2, 10, 100000, 4000000, true, "Captured 150 frames in 10 sec (2 dropped): 15 fps 0.4 MB/sec"},
        {150, 2, 10, 100000, 0, false, "Captured 150 frames in 10 sec (2 dropped)"},
        {150, 2, 0, 100000, 0, true, "Captured 150 frames in 0 sec (2 dropped): 0 fps 0 MB/sec"},
        {169, 3, 5.830966273481, 120000, 0, true, "Captured 169 frames in 5.831 sec (3 dropped): 28.983 fps 3.478 MB/sec"},
        {2, 0, 3, 7, 0, true, "Captured 2 frames in 3 sec (0 dropped): 0.667 fps 0.00000467 MB/sec"},
        {1, 0, 1.0004, 0, 0, true, "Captured 1 frames in 1 sec (0 dropped): 1 fps 0 MB/sec"},
    };
    for (const auto& c : cases) {
        SetCounts(*engine_, c.captured, c.dropped, c.secs, c.frameBytes);
        engine_->FileBytes = c.fileBytes;
        w->WriteCaptureStatus(c.withRate);
        EXPECT_EQ(w->PanelText(1), c.text);
        EXPECT_EQ(w->sbMain().ToolTipFor(1), c.text);
    }
    EXPECT_EQ(NumberText(10.0 / 3.0), "3.33333333333333");
    EXPECT_EQ(NumberText(12.5), "12.5");
    EXPECT_EQ(NumberText(int64_t(-7)), "-7");
    const std::pair<const char*, const char*> formats[] = {{"0", "Avi"}, {"12", ""}, {"1.5", ""}};
    for (const auto& [code, name] : formats) EXPECT_EQ(MainFrm::GetFormatName(code), name) << code;
    // A click on "Ready" puts the latest automatic file in its tool tip, below the panel's
    // text; a click on another text does not.
    sAutoFileName = "/v/Auto-2.avi";
    w->SetPanelText(2, "Screen");
    w->SetPanelText(3, "Ready");
    for (int panel : {2, 3}) emit w->sbMain().PanelClicked(panel);
    sAutoFileName.clear();
    EXPECT_EQ(w->sbMain().ToolTipFor(2), "Screen");
    EXPECT_EQ(w->sbMain().ToolTipFor(3), "Ready\n/v/Auto-2.avi");
    EXPECT_EQ(w->sbMain().ToolTipFor(4), "Caps Lock");
}

// A translation longer than the panel the design gives it is cut short on screen; hovering
// shows it whole, and a screen reader reads it whole.
TEST_F(MainWindow, ACutPanelTextIsWholeInItsToolTipAndToAScreenReader) {
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(PELTA_BUILD_DIR "/translations/pelta-rx_de.qm")));
    QCoreApplication::installTranslator(&german);
    MainFrm* w = &Open([](ScriptableEngine& e) {
        e.Video.Items = {{"Screen 0 (1280x800)"}};
        e.Video.Sel = 0;
    });
    QCoreApplication::removeTranslator(&german);
    w->show();
    StatusBarPanels& bar = w->sbMain();
    const QString whole = QStringLiteral("Bildschirm 0 (1280x800)");
    ASSERT_EQ(w->PanelText(2), whole);
    EXPECT_TRUE(bar.ShownText(2).endsWith(QChar(0x2026))) << bar.ShownText(2).toStdString();
    EXPECT_EQ(bar.ShownText(3), w->PanelText(3));  // "Bereit" fits
    const int x = TwipsToPixels(3520) + 10;  // inside the second panel
    QHelpEvent hover(QEvent::ToolTip, QPoint(x, bar.height() / 2), bar.mapToGlobal(QPoint(x, bar.height() / 2)));
    QApplication::sendEvent(&bar, &hover);
    EXPECT_EQ(QToolTip::text(), whole);
    QToolTip::hideText();
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(reader, nullptr);
    ASSERT_GE(reader->childCount(), 2);
    EXPECT_EQ(reader->child(1)->text(QAccessible::Name), whole);
}

// Progress lays the panels out for a capture (no time for manual frames) and writes its
// counts; a capture ending by itself shows its final counts.
TEST_F(MainWindow, ProgressAndACaptureEndingByItself) {
    MainFrm* w = &Open([](ScriptableEngine& e) {
        e.Format = 6;
        e.Active = 1;
    });
    SetCounts(*engine_, 3, 0, 1.5, 1000);
    engine_->RaiseProgress();
    EXPECT_EQ(w->PanelText(5), "Format: MP3");
    EXPECT_EQ(w->sbMain().Panel(5).WidthTwips, 3600);
    EXPECT_EQ(w->PanelText(3), "Recording ...");
    EXPECT_EQ(w->PanelText(2), "Not Dropped 3");
    EXPECT_EQ(w->PanelText(4), "Time: 1.5");
    EXPECT_TRUE(w->bRecordingShown);
    engine_->Active = 4;
    SetCounts(*engine_, 48, 0, 4.95, 1000);
    engine_->RaiseProgress();
    EXPECT_EQ(w->PanelText(4), "");
    SetCounts(*engine_, 50, 1, 5.0, 1000);
    engine_->Active = 0;
    engine_->RaiseEnded();
    EXPECT_EQ(w->PanelText(1), "Captured 50 frames in 5 sec (1 dropped): 10 fps 0.01 MB/sec");
    EXPECT_EQ(w->PanelText(2), "Not Dropped 50");
    EXPECT_EQ(w->PanelText(3), "Ready");
    EXPECT_FALSE(w->bRecordingShown);
    // A stop rebuilds the panels and returns before the file is finished: the end leaves
    // the device panel alone and brings the stop's summary to the final counts.
    engine_->State = 4;
    engine_->RaiseProgress();
    engine_->FinishesLater = true;
    main_->Capture().StopCapture();
    const QString device = w->PanelText(2);
    SetCounts(*engine_, 60, 2, 6.0, 1000);
    engine_->FinishNow();
    EXPECT_EQ(w->PanelText(2), device);
    EXPECT_EQ(w->PanelText(1), "Captured 60 frames in 6 sec (2 dropped): 10 fps 0.01 MB/sec");
    EXPECT_EQ(w->PanelText(3), "Ready");
    // An end with no capture shown since (a start that failed) writes no summary.
    SetCounts(*engine_, 0, 0, 0, 0);
    engine_->RaiseEnded();
    EXPECT_EQ(w->PanelText(1), "Captured 60 frames in 6 sec (2 dropped): 10 fps 0.01 MB/sec");
}

TEST_F(MainWindow, ErrorsAndEscape) {
    Open();
    engine_->ErrorText = "Capture file /caps/take.avi: the encoder failed: Invalid argument.";
    engine_->RaiseError(5);
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0].Text, " Error 5 occurred.");
    EXPECT_EQ(prompts_.Messages[0].Buttons, PromptButtons::Ok);
    EXPECT_EQ(prompts_.Messages[0].Detail, "Capture file /caps/take.avi: the encoder failed: Invalid argument.");
    engine_->RaiseKeyDown(27, 0);
    EXPECT_FALSE(engine_->WasCalled("FlipFullScreen"));
    engine_->FullScreen = true;
    engine_->RaiseKeyDown(27, 0);
    EXPECT_TRUE(engine_->WasCalled("FlipFullScreen"));
}

TEST_F(MainWindow, ClosingStopsTheCaptureThenWritesTheFullSummary) {
    MainFrm* w = &Open();
    SetCounts(*engine_, 30, 0, 2, 1000);
    engine_->State = 4;
    engine_->ClearCalls();
    w->close();
    const auto end = std::find(engine_->Calls.begin(), engine_->Calls.end(), "EndCapture");
    const auto read = std::find(engine_->Calls.begin(), engine_->Calls.end(), "FramesDropped");
    ASSERT_NE(end, engine_->Calls.end());
    EXPECT_LT(end, read);
    EXPECT_EQ(w->PanelText(1), "Captured 30 frames in 2 sec (0 dropped): 15 fps 0.015 MB/sec");
}

// Start-up puts the engine's remembered devices back after the device menu has selected
// the first ones, and before the status bar, the size menu and the check marks are written.
TEST_F(MainWindow, RememberedDevicesWinOverTheFirstAndShowEverywhere) {
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
