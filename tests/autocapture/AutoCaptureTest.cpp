#include "autocapture/AutoNaming.h"
#include "autocapture/Buttons.h"
#include "controls/xpcmdbutton.h"
#include "settings/RegSettings.h"
#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QScreen>
#include <set>

using namespace pelta;
using pelta::test::ScriptableEngine;

namespace {

TEST(AutoNames, NumbersSkipTakenNamesAndDatesUseMonthDayYear) {
    std::set<QString> taken;
    auto exists = [&](const QString& p) { return taken.count(p) > 0; };
    const QDate day(2026, 12, 7);
    EXPECT_EQ(NextAutoName("/v", ".avi", false, day, 0, exists)->Path, "/v/Auto-1.avi");
    for (int i = 1; i <= 5; ++i) taken.insert("/v/Auto-" + QString::number(i) + ".avi");
    auto n = NextAutoName("/v", ".avi", false, day, 0, exists);
    EXPECT_EQ(n->Path, "/v/Auto-6.avi");
    EXPECT_EQ(n->Number, 6);
    EXPECT_EQ(NextAutoName("/v", ".avi", true, day, 6, exists)->Path, "/v/Auto-7 - 12-07-2026.avi");
    // A dated capture made earlier today keeps its number.
    taken.insert("/v/Auto-7 - 12-07-2026.avi");
    EXPECT_EQ(NextAutoName("/v", ".avi", true, day, 6, exists)->Path, "/v/Auto-8 - 12-07-2026.avi");
    EXPECT_FALSE(NextAutoName("/v", ".avi", false, day, kAutoCountLimit, exists).has_value());
}

TEST(AutoNames, VideoCapturesAreAlwaysAviAndTheStoredExtensionNamesSoundOnlyOnes) {
    const struct {
        int mode;
        const char* stored;
        const char* ext;
        int32_t format;
    } cases[] = {
        {1, ".wav", ".avi", 0}, {2, ".mp3", ".avi", 0}, {3, ".wav", ".wav", 2},
        {3, ".MP3", ".mp3", 6}, {3, ".avi", ".avi", 0}, {3, ".txt", ".avi", 0},
    };
    for (const auto& c : cases) {
        const QString ext = AutoCaptureExt(c.mode, c.stored);
        EXPECT_EQ(ext, c.ext) << c.mode << c.stored;
        EXPECT_EQ(OutputFormatForName("/v/Auto-1" + ext), c.format) << c.mode << c.stored;
    }
}

class AutoButtons : public test::MainWindowTest {
protected:
    void SetUp() override {
        CreateProgramSettings();
        gSettings->SaveSetting(gSection, "AutoName", "True");
        gSettings->SaveSetting(gSection, "AutoSaveDir", folder_.path());
        Open(OneScreen);
    }
    void TearDown() override { delete ButtonsWindow(false); }
    void Touch(const QString& name) { ASSERT_TRUE(test::WriteFileOfSize(folder_.filePath(name))); }
    // The window, opened as the capture menu does: the first name prepared, nothing started.
    Buttons* Prepared(int16_t mode = 1) {
        Buttons* b = ButtonsWindow(true);
        bSkipAutoCapture = true;
        b->DoAutoCaptures(mode);
        return b;
    }
    QTemporaryDir folder_;
};

TEST_F(AutoButtons, OpeningPreparesANameAndEachCaptureTakesTheNext) {
    Buttons* b = Prepared();
    EXPECT_EQ(sAutoFileName, folder_.filePath("Auto-1.avi"));
    EXPECT_TRUE(engine_->CallsStartingWith("BeginCapture").empty());
    EXPECT_FALSE(bSkipAutoCapture);
    b->CaptureClick();
    EXPECT_EQ(engine_->FileName, folder_.filePath("Auto-2.avi").toStdString());
    EXPECT_TRUE(engine_->WasCalled("BeginCapture(1)"));
    EXPECT_FALSE(b->xpcmdbutton1->isEnabled());
    EXPECT_TRUE(b->xpcmdbutton2->isEnabled());
    b->StopClick();
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    b->CaptureClick();
    EXPECT_EQ(engine_->FileName, folder_.filePath("Auto-3.avi").toStdString());
}

// The engine finishes the file after a stop returns: Capture comes back when it says the
// capture ended, and the summary then shows the final counts.
TEST_F(AutoButtons, CaptureComesBackWhenTheStoppedFileIsFinished) {
    Buttons* b = Prepared();
    b->CaptureClick();
    engine_->FinishesLater = true;
    engine_->Captured = 29;
    engine_->Elapsed = 2;
    engine_->RaiseProgress();
    b->StopClick();
    EXPECT_FALSE(b->xpcmdbutton1->isEnabled());
    EXPECT_FALSE(b->xpcmdbutton2->isEnabled());
    engine_->Captured = 30;
    engine_->FinishNow();
    EXPECT_TRUE(b->xpcmdbutton1->isEnabled());
    EXPECT_FALSE(b->xpcmdbutton2->isEnabled());
    EXPECT_EQ(main_->PanelText(1), "Captured 30 frames in 2 sec (0 dropped): 15 fps 0 MB/sec");
}

TEST_F(AutoButtons, ExistingFilesAreSkippedAndDatesShowOnTheStopButton) {
    for (int i = 1; i <= 5; ++i) Touch("Auto-" + QString::number(i) + ".avi");
    gSettings->SaveSetting(gSection, "AddTime", "True");
    Buttons* b = ButtonsWindow(true);
    b->Today = [] { return QDate(2026, 12, 7); };
    bSkipAutoCapture = true;
    b->DoAutoCaptures(1);
    EXPECT_EQ(sAutoFileName, folder_.filePath("Auto-6 - 12-07-2026.avi"));
    b->CaptureClick();
    EXPECT_EQ(b->xpcmdbutton2->toolTip(), folder_.filePath("Auto-7 - 12-07-2026.avi"));
}

TEST_F(AutoButtons, NamingSwitchedOffClosesTheWindowAtTheNextCapture) {
    QPointer<Buttons> b = ButtonsWindow(true);
    bAutoName = false;
    b->CaptureClick();
    QApplication::processEvents();
    EXPECT_TRUE(b.isNull() || !b->isVisible());
    EXPECT_TRUE(engine_->CallsStartingWith("BeginCapture").empty());
}

TEST_F(AutoButtons, CancelStopsClosesAndTheCounterStartsAgain) {
    Buttons* b = Prepared();
    b->show();
    b->CaptureClick();
    b->CancelClick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ButtonsWindow(false), nullptr);
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    Buttons* again = ButtonsWindow(true);
    EXPECT_EQ(again->nAutoCount, 0);
}

TEST_F(AutoButtons, AVideoCaptureIntoAviIsNamedAviWhateverExtIsStored) {
    gSettings->SaveSetting(gSection, "Ext", ".wav");
    nTargetFormat = 2;  // left over from a sound-only capture
    Buttons* b = Prepared();
    b->CaptureClick();
    EXPECT_EQ(engine_->FileName, folder_.filePath("Auto-2.avi").toStdString());
    EXPECT_EQ(engine_->Format, 0);
    b->StopClick();
    // A sound-only capture takes the stored type, for name and content alike.
    bSkipAutoCapture = true;
    b->DoAutoCaptures(3);
    b->CaptureClick();
    EXPECT_EQ(engine_->FileName, folder_.filePath("Auto-4.wav").toStdString());
    EXPECT_EQ(engine_->Format, 2);
}

TEST_F(AutoButtons, ClosingTheWindowWhileCapturingStopsAndSummarisesAsCancelDoes) {
    QPointer<Buttons> b = Prepared();
    b->show();
    b->CaptureClick();
    engine_->State = 4;
    engine_->Captured = 30;
    engine_->Elapsed = 2;
    engine_->ClearCalls();
    b->close();  // as the window manager's close does
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(b.isNull());
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    EXPECT_EQ(main_->PanelText(1), "Captured 30 frames in 2 sec (0 dropped): 15 fps 0 MB/sec");
    // Closed between captures, it stops nothing.
    engine_->State = 1;
    Buttons* idle = ButtonsWindow(true);
    idle->show();
    engine_->ClearCalls();
    idle->close();
    EXPECT_FALSE(engine_->WasCalled("EndCapture"));
}

TEST_F(AutoButtons, PlacedInTheBottomRightOfTheWorkArea) {
    Buttons* b = ButtonsWindow(true);
    b->show();
    const QRect area = b->screen()->availableGeometry();
    EXPECT_EQ(b->frameGeometry().bottomRight(), area.bottomRight());
    EXPECT_FALSE(b->windowFlags() & Qt::WindowStaysOnTopHint);
    delete b;
    gSettings->SaveSetting(gSection, "TopWindow", "True");
    EXPECT_TRUE(ButtonsWindow(true)->windowFlags() & Qt::WindowStaysOnTopHint);
}

}  // namespace
