#include "controls/xpcmdbutton.h"
#include "dialogs/AllocCapFileFrm.h"
#include "mainwindow/FileMenu.h"
#include "settings/RegSettings.h"
#include "support/MainWindowFixture.h"

#include <QDir>
#include <QLineEdit>

using namespace pelta;

namespace {

class FileMenuCommands : public test::MainWindowTest {
protected:
    void SetUp() override { Open(); }
};

TEST_F(FileMenuCommands, SaveAsPassesTheTypedNameUnchangedAndIgnoresFailures) {
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
}

TEST_F(FileMenuCommands, NamingSwitchSavesAtOnceAndLeavesTheFolderCommandEnabled) {
    main_->Menus().menuAUTO->trigger();
    EXPECT_TRUE(bAutoName);
    EXPECT_TRUE(main_->Menus().menuAUTODir->isEnabled());
    EXPECT_EQ(gSettings->GetSetting(gSection, "AutoName"), "True");
    main_->Menus().menuAUTO->trigger();
    EXPECT_FALSE(bAutoName);
    EXPECT_FALSE(main_->Menus().menuAUTO->isChecked());
    EXPECT_TRUE(main_->Menus().menuAUTODir->isEnabled());
    EXPECT_EQ(gSettings->GetSetting(gSection, "AutoName"), "False");
    main_->Menus().menuTopWindow->trigger();
    EXPECT_EQ(gSettings->GetSetting(gSection, "TopWindow"), "True");
}

TEST_F(FileMenuCommands, FolderChooserTitleAndResults) {
    gSettings->SaveSetting(gSection, "AutoSaveDir", "/old");
    prompts_.FolderAnswers = {""};
    main_->File().SelectAutoFolder();
    EXPECT_EQ(prompts_.FolderTitles.back(), "Current: " + QDir::currentPath());
    EXPECT_EQ(gSettings->GetSetting(gSection, "AutoSaveDir"), "/old");
    prompts_.FolderAnswers = {"  /videos/auto  "};
    main_->File().SelectAutoFolder();
    EXPECT_EQ(gSettings->GetSetting(gSection, "AutoSaveDir"), "/videos/auto");
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

TEST_F(FileMenuCommands, ExitStopsAndSummarises) {
    engine_->ClearCalls();
    main_->Menus().menuFileExit->trigger();
    EXPECT_TRUE(engine_->WasCalled("EndCapture"));
    EXPECT_TRUE(main_->PanelText(1).endsWith("0 fps 0 MB/sec"));
}

}  // namespace
