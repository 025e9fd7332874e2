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

class AutoButtons : public test::MainWindowTest {
protected:
    void SetUp() override {
        CreateProgramSettings();
        gSettings->SaveSetting(gSection, "AutoName", "True");
        gSettings->SaveSetting(gSection, "AutoSaveDir", folder_.path());
        Open([](ScriptableEngine& e) {
            e.Video.Items = {{"Screen"}};
            e.AvailableModes = {0, 1, 2};
        });
    }
    void TearDown() override { delete ButtonsWindow(false); }
    void Touch(const QString& name) { ASSERT_TRUE(test::WriteFileOfSize(folder_.filePath(name))); }
    QTemporaryDir folder_;
};

TEST_F(AutoButtons, OpeningPreparesANameAndEachCaptureTakesTheNext) {
    Buttons* b = ButtonsWindow(true);
    bSkipAutoCapture = true;
    b->DoAutoCaptures(1);
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
    Buttons* b = ButtonsWindow(true);
    b->show();
    bSkipAutoCapture = true;
    b->DoAutoCaptures(1);
    b->CaptureClick();
    b->CancelClick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ButtonsWindow(false), nullptr);
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    Buttons* again = ButtonsWindow(true);
    EXPECT_EQ(again->nAutoCount, 0);
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
