#include "dialogs/AllocCapFileFrm.h"
#include "dialogs/CapAutoSeqFrm.h"
#include "dialogs/CapManSeqFrm.h"
#include "dialogs/Pelxbas.h"
#include "mainwindow/CaptureCommands.h"
#include "mainwindow/FileMenu.h"
#include "settings/RegSettings.h"
#include "controls/xpcmdbutton.h"
#include "support/MainWindowFixture.h"
#include "support/TempFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <filesystem>

using namespace pelta;
using pelta::test::ScriptableEngine;

namespace {

class CaptureMenu : public test::MainWindowTest {
protected:
    void SetUp() override {
        Open([](ScriptableEngine& e) {
            e.Video.Items = {{"Screen 0 (1920x1080)"}};
            e.Audio.Items = {{"Microphone"}};
            e.AvailableModes = {0, 1, 2, 3, 4, 5, 6, 7, 8};
        });
    }
};

TEST_F(CaptureMenu, OpeningEnablesByModeAndLocksDuringACapture) {
    engine_->AvailableModes.erase(5);
    engine_->ClearCalls();
    main_->Capture().CaptureMenuOpening();
    const auto asked = engine_->CallsStartingWith("ModeAvailable");
    EXPECT_EQ(asked, (std::vector<std::string>{"ModeAvailable(0)", "ModeAvailable(4)", "ModeAvailable(5)",
                                               "ModeAvailable(7)", "ModeAvailable(8)", "ModeAvailable(6)"}));
    MainMenus& m = main_->Menus();
    EXPECT_TRUE(m.menuCaptureVideoandAudio->isEnabled());
    EXPECT_FALSE(m.menuCaptureAutomaticFrameSequence->isEnabled());
    EXPECT_FALSE(m.menuCaptureStopCapture->isEnabled());
    EXPECT_EQ(main_->PanelText(2), "Screen 0 (1920x1080)");  // status rebuilt when idle

    engine_->State = 4;
    main_->Capture().CaptureMenuOpening();
    EXPECT_FALSE(m.menuCaptureVideoandAudio->isEnabled());
    EXPECT_FALSE(m.menuCaptureStillPictureClipboard->isEnabled());
    EXPECT_TRUE(m.menuCaptureStopCapture->isEnabled());
}

// Cancel drops the prepared capture and rebuilds the status, OK begins it; a capture that
// cannot start says why, with the pointer back.
TEST_F(CaptureMenu, ConfirmationDropsOrBeginsThePreparedCaptureAndErrorsShowTheirText) {
    main_->SetPanelText(2, "Not Dropped 5");
    prompts_.Answers = {PromptAnswer::Cancel};
    engine_->ClearCalls();
    int16_t mode = 1;
    main_->Capture().ConfirmAndCapture(mode);
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0].Text, " Press OK to start capture ");
    EXPECT_EQ(prompts_.Messages[0].Title, " Ready to capture ");
    EXPECT_TRUE(engine_->WasCalled("PrepareCapture(1)"));
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    EXPECT_FALSE(engine_->WasCalled("BeginCapture(1)"));
    EXPECT_EQ(main_->PanelText(2), "Screen 0 (1920x1080)");

    mode = 2;
    main_->Capture().ConfirmAndCapture(mode);
    EXPECT_TRUE(engine_->WasCalled("BeginCapture(2)"));
    engine_->Failures["PrepareCapture"] = "No capture file is named.";
    main_->Capture().ConfirmAndCapture(mode);
    EXPECT_EQ(prompts_.Messages.back().Text, "No capture file is named.");
    EXPECT_EQ(prompts_.Messages.back().Buttons, PromptButtons::Ok);
    EXPECT_FALSE(prompts_.Messages.back().Busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CaptureMenu, APathTooLongForTheSystemGetsAReadableMessage) {
    const QString tooLong = "/tmp/" + QString(300, 'a') + ".avi";
    engine_->FileName = tooLong.toStdString();
    try {
        (void)std::filesystem::exists(engine_->FileName);  // what the engine meets first
    } catch (const std::filesystem::filesystem_error& e) {
        engine_->Failures["BeginCapture"] = e.what();
    }
    ASSERT_TRUE(engine_->Failures.count("BeginCapture")) << "the system took a 300-byte name";
    int16_t mode = 2;
    main_->Capture().ConfirmAndCapture(mode);
    const test::AskedMessage& m = prompts_.Messages.back();
    EXPECT_TRUE(m.Text.startsWith("The capture file's path is too long for the system")) << m.Text.toStdString();
    EXPECT_FALSE(m.Text.contains("filesystem error"));
    EXPECT_EQ(m.Detail, tooLong);
    // The limits: 255 bytes a name, 4095 a path.
    EXPECT_TRUE(PathTooLongText("/tmp/" + QString(251, 'a') + ".avi").isEmpty());
    EXPECT_FALSE(PathTooLongText("/tmp/" + QString(252, 'a') + ".avi").isEmpty());
    EXPECT_FALSE(PathTooLongText("/tmp/" + QString(126, QChar(0xe9)) + ".avi").isEmpty());  // 2 bytes each
    EXPECT_FALSE(PathTooLongText(QString(40, 'b').append('/').repeated(103)).isEmpty());
}

TEST_F(CaptureMenu, AutoNamingPreparesAndAsksButStartsNothing) {
    bAutoName = true;
    prompts_.DialogScript = [](QDialog& d) {
        static_cast<CapAutoSeqFrm&>(d).edtFrameDelay->setText("2");
        static_cast<CapAutoSeqFrm&>(d).OKClick();
        return int(QDialog::Accepted);
    };
    main_->Capture().AutomaticFrameSequence();
    main_->Capture().AutomaticFrameAudioSequence();
    EXPECT_TRUE(engine_->WasCalled("PrepareCapture(5)"));
    EXPECT_TRUE(engine_->WasCalled("PrepareCapture(8)"));
    EXPECT_TRUE(engine_->CallsStartingWith("BeginCapture").empty());
    EXPECT_TRUE(bSkipAutoCapture);
    EXPECT_EQ(engine_->GapSeconds, 2);
}

// A manual sequence never minimises, and its frame count is the true number, past 32767 too.
TEST_F(CaptureMenu, ManualSequencesNeverMinimiseAndCountEveryFrame) {
    bWindowsDown = true;
    main_->show();
    engine_->Captured = 40000;
    prompts_.DialogScript = [](QDialog& d) {
        auto& w = static_cast<CapManSeqFrm&>(d);
        for (int i = 0; i < 3; ++i) w.CaptureFrameClick();
        EXPECT_EQ(w.edtFrameCount->text(), "40003");
        return int(QDialog::Rejected);  // the close box
    };
    main_->Capture().ManualFrameSequence();
    EXPECT_FALSE(main_->isMinimized());
    EXPECT_TRUE(engine_->WasCalled("TimeLimitOn=False"));
    EXPECT_TRUE(engine_->WasCalled("BeginCapture(4)"));
    EXPECT_EQ(engine_->CallsStartingWith("GrabFrame").size(), 3u);
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));  // closing ends the capture
    EXPECT_FALSE(engine_->WasCalled("PrepareCapture(4)"));
}

// A frame sequence after a sound capture goes to the AVI of the same name, set before the
// capture begins; an AVI that already holds a capture is replaced only when the user says so.
TEST_F(CaptureMenu, FrameSequencesAfterASoundCaptureGoToTheAviOfTheSameName) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("voice.wav"), avi = dir.filePath("voice.avi");
    const struct {
        void (CaptureCommands::*command)();
        bool aviThere;
        PromptAnswer answer;
    } rows[] = {{&CaptureCommands::ManualFrameSequence, false, PromptAnswer::Ok},
                {&CaptureCommands::ManualFrameAudioSequence, false, PromptAnswer::Ok},
                {&CaptureCommands::ManualFrameSequence, true, PromptAnswer::No},
                {&CaptureCommands::ManualFrameSequence, true, PromptAnswer::Yes}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "AVI there " << r.aviThere << ", answer " << int(r.answer));
        ASSERT_TRUE(!r.aviThere || test::WriteFileOfSize(avi, 5000));
        engine_->FileName = wav.toStdString();
        engine_->Format = 2;
        nTargetFormat = 2;
        engine_->ClearCalls();
        prompts_.Messages.clear();
        prompts_.Answers = {r.answer};
        (main_->Capture().*r.command)();
        const bool go = r.answer != PromptAnswer::No;
        EXPECT_EQ(engine_->FileName, (go ? avi : wav).toStdString());
        EXPECT_EQ(engine_->Format, go ? 0 : 2);
        EXPECT_EQ(nTargetFormat, go ? 0 : 2);
        EXPECT_EQ(!prompts_.Messages.empty() && prompts_.Messages[0].Text.contains(avi), r.aviThere);
        const auto& c = engine_->Calls;
        const auto set = std::find(c.begin(), c.end(), "OutputFormat=0");
        const auto begin =
            std::find_if(c.begin(), c.end(), [](const std::string& s) { return s.starts_with("BeginCapture"); });
        EXPECT_EQ(begin != c.end(), go);
        EXPECT_TRUE(!go || set < begin) << "the format is set before the capture begins";
    }
}

TEST_F(CaptureMenu, AManualSequenceThatCannotBeginSaysWhyAndWritesNoSummary) {
    engine_->Failures["BeginCapture"] = "No video device is selected.";
    main_->SetPanelText(1, "earlier");
    bool captureOffered = true;
    prompts_.DialogScript = [&](QDialog& d) {
        captureOffered = static_cast<CapManSeqFrm&>(d).btnCapture->isEnabled();
        return int(QDialog::Rejected);
    };
    main_->Capture().ManualFrameSequence();
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0].Text, "No video device is selected.");
    EXPECT_FALSE(captureOffered);
    EXPECT_EQ(main_->PanelText(1), "earlier");
}

TEST_F(CaptureMenu, StillPictureGoesToTheClipboardAsAnImage) {
    const auto still = [&](int width, int height, int stride, size_t bytes) {
        engine_->Still.Width = width;
        engine_->Still.Height = height;
        engine_->Still.Stride = stride;
        engine_->Still.Pixels.assign(bytes, 0);
    };
    // A buffer far shorter than its rows leaves the clipboard alone.
    QApplication::clipboard()->setText("before");
    still(64, 64, 256, 100);
    main_->Capture().StillPicture();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    still(4, 2, 16, 32);
    engine_->Still.Pixels[0] = 255;  // blue of the first pixel
    main_->Capture().StillPicture();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasFormat("image/png"));
    EXPECT_TRUE(mime->hasFormat("image/bmp"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(mime->data("image/png"), "PNG"));
    EXPECT_EQ(back.size(), QSize(4, 2));
    EXPECT_EQ(QColor(back.pixel(0, 0)).blue(), 255);
}

// The File menu's switches are saved the moment they change.
TEST_F(CaptureMenu, SwitchesAreSavedAtOnce) {
    MainMenus& m = main_->Menus();
    const struct {
        QAction* item;
        bool* flag;
        const char* key;
    } rows[] = {{m.menuAUTO, &bAutoName, "AutoName"}, {m.Mins, &bWindowsDown, "WindowsDown"},
                {m.menuTopWindow, &bTopWindow, "TopWindow"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key);
        for (const bool on : {true, false}) {
            r.item->trigger();
            EXPECT_EQ(*r.flag, on);
            EXPECT_EQ(r.item->isChecked(), on);
            EXPECT_EQ(gSettings->GetSetting(gSection, r.key), on ? "True" : "False");
            EXPECT_TRUE(m.menuAUTODir->isEnabled());  // once named automatically, whatever the switch says
        }
    }
}

TEST(AutoSequenceDialog, OkRulesAndCancelLeavesTheEngine) {
    ScriptableEngine e;
    e.LimitSeconds = 7;
    e.GapSeconds = 0;
    CapAutoSeqFrm d(e);
    d.edtFrameDelay->clear();
    EXPECT_FALSE(d.btnOK->isEnabled());
    d.edtFrameDelay->setText("1");
    EXPECT_TRUE(d.btnOK->isEnabled());
    d.chkUseTimeLimit->setChecked(true);
    d.edtTimeLimit->clear();
    EXPECT_FALSE(d.btnOK->isEnabled());
    d.chkUseTimeLimit->setChecked(false);
    EXPECT_TRUE(d.btnOK->isEnabled());
    d.edtTimeLimit->setText("30");
    e.ClearCalls();
    d.OKClick();
    EXPECT_EQ(d.DialogResult, 1);
    EXPECT_EQ(e.LimitSeconds, 7);  // not written while unticked
    EXPECT_FALSE(e.LimitOn);
    EXPECT_EQ(e.GapSeconds, 1);

    CapAutoSeqFrm c(e);
    c.edtFrameDelay->setText("9");
    e.ClearCalls();
    c.btnCancel->Click();
    EXPECT_EQ(c.DialogResult, 2);
    EXPECT_TRUE(e.CallsStartingWith("FrameGapSeconds=").empty());
    EXPECT_FALSE(NumericKeyPasses(Qt::Key_Period, "."));
    EXPECT_TRUE(NumericKeyPasses(Qt::Key_5, "5"));
}

using FileMenuCommands = CaptureMenu;

// Save As passes the typed name unchanged and ignores failures; the folder chooser keeps the
// old folder when cancelled; Exit stops the capture and leaves its summary.
TEST_F(FileMenuCommands, SaveAsFolderChooserAndExit) {
    prompts_.FileAnswers = {"/tmp/take1"};
    main_->Menus().menuFileSaveCapturedVideoAs->trigger();
    ASSERT_EQ(prompts_.SaveRequests.size(), 1u);
    EXPECT_EQ(prompts_.SaveRequests[0].Title, "Enter Capture Video Name");
    EXPECT_TRUE(prompts_.SaveRequests[0].ConfirmOverwrite);
    EXPECT_TRUE(prompts_.SaveRequests[0].DefaultSuffix.isEmpty());
    EXPECT_TRUE(engine_->WasCalled("CopyCaptureTo(/tmp/take1,False)"));
    engine_->Failures["CopyCaptureTo"] = "nothing captured";
    main_->Menus().menuFileSaveCapturedVideoAs->trigger();  // cancelled: empty name, silent
    EXPECT_TRUE(engine_->WasCalled("CopyCaptureTo(,False)"));
    EXPECT_TRUE(prompts_.Messages.empty());

    gSettings->SaveSetting(gSection, "AutoSaveDir", "/old");
    prompts_.FolderAnswers = {"", "  /videos/auto  "};
    main_->File().SelectAutoFolder();
    EXPECT_EQ(prompts_.FolderTitles.back(), "Current: " + QDir::currentPath());
    EXPECT_EQ(gSettings->GetSetting(gSection, "AutoSaveDir"), "/old");
    main_->File().SelectAutoFolder();
    EXPECT_EQ(gSettings->GetSetting(gSection, "AutoSaveDir"), "/videos/auto");

    main_->SetPanelText(1, "earlier");
    engine_->ClearCalls();
    main_->Menus().menuFileExit->trigger();
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    EXPECT_TRUE(main_->PanelText(1).endsWith("0 fps 0 MB/sec"));
}

TEST_F(FileMenuCommands, AllocateDialogEnablesOkAndReserves) {
    engine_->FileName = "/tmp/none-such-capture.avi";
    AllocCapFileFrm d(*engine_);
    EXPECT_EQ(d.edtCaptureFile->text(), "/tmp/none-such-capture.avi");
    EXPECT_EQ(d.edtCapFileSize->text(), "0");
    EXPECT_TRUE(d.btnOK->isEnabled());
    d.edtCapFileSize->clear();
    EXPECT_FALSE(d.btnOK->isEnabled());
    d.edtCapFileSize->setText("99999999999");
    d.OKClick();
    EXPECT_EQ(engine_->ReservedMB, -1);  // beyond 32 bits: a message, nothing reserved
    ASSERT_FALSE(prompts_.Messages.empty());
    d.edtCapFileSize->setText("50");
    d.OKClick();
    EXPECT_EQ(engine_->ReservedMB, 50);
}

}  // namespace
