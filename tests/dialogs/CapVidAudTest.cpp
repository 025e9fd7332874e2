#include "controls/xpcmdbutton.h"
#include "dialogs/CapVidAudFrm.h"
#include "dialogs/Pelxbas.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace pelta;
using pelta::test::ScriptableEngine;
using pelta::test::ScriptedPrompts;

namespace {

class CapVidAud : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(files_.isValid());
        CreateProgramSettings();
        bAutoName = bAddTime = bSaveExt = false;
        sExt.clear();
        sAutoSaveDir.clear();
        engine_.AvailableModes = {1, 2, 3};
        engine_.FileName = Path("clip.wav").toStdString();
        engine_.Master = 0;
    }
    void TearDown() override { SetFreeSpaceSource({}); }

    QString Path(const QString& name) const { return files_.filePath(name); }
    void Open() { dlg_ = std::make_unique<CapVidAudFrm>(engine_); }
    template <typename T>
    T* Get(const QString& name) const {
        T* w = dlg_->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString Text(const QString& name) const { return Get<QLineEdit>(name)->text(); }
    void Click(const QString& button) { emit Get<xpcmdbutton>(button)->Click(); }
    void SelectMode(int position) {
        auto* cmb = Get<QComboBox>("cmbMode");
        cmb->setCurrentIndex(position);
        emit cmb->activated(position);
    }
    QString Stored(const QString& key) const { return gSettings->GetSetting(gSection, key, "<none>"); }

    test::TempConfigHome home_;
    QTemporaryDir files_;
    ScriptableEngine engine_;
    ScriptedPrompts prompts_;
    std::unique_ptr<CapVidAudFrm> dlg_;
};

TEST_F(CapVidAud, LoadOffersEveryAvailableModeAndAnAviName) {
    Open();
    auto* cmb = Get<QComboBox>("cmbMode");
    QStringList offered;
    for (int i = 0; i < cmb->count(); ++i) offered << cmb->itemText(i);
    EXPECT_EQ(offered, (QStringList{"Video and Audio", "Video only", "Audio only"}));
    EXPECT_EQ(cmb->currentIndex(), 0);
    EXPECT_EQ(dlg_->nMode, 1);
    // Whatever the engine's extension, the dialog opens on an AVI name and tells the engine.
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));
    EXPECT_EQ(engine_.FileName, Path("clip.avi").toStdString());
    EXPECT_EQ(engine_.Format, 0);
    EXPECT_EQ(sCaptureExt, ".avi");
    EXPECT_TRUE(Get<QRadioButton>("Ops(0)")->isChecked());
    EXPECT_FALSE(Get<QRadioButton>("Ops(1)")->isEnabled());
    EXPECT_EQ(Get<QComboBox>("cmbMasterStream")->currentText(), "Video");
}

TEST_F(CapVidAud, LoadShowsTheEngineLimitsAndLeavesBothBoxesEnabled) {
    engine_.LimitSeconds = 12.5;
    engine_.RateValue = 15;
    engine_.LimitOn = false;
    engine_.RateOn = true;
    Open();
    EXPECT_EQ(Text("edtTimeLimit"), QLocale().toString(12.5));
    EXPECT_EQ(Text("edtFrameRate"), "15");
    EXPECT_FALSE(Get<QCheckBox>("chkUseTimeLimit")->isChecked());
    EXPECT_TRUE(Get<QCheckBox>("chkUseFrameRate")->isChecked());
    EXPECT_TRUE(Get<QLineEdit>("edtTimeLimit")->isEnabled());
    EXPECT_TRUE(Get<QLineEdit>("edtFrameRate")->isEnabled());
}

TEST_F(CapVidAud, FailingEngineStepsAreSkippedDuringLoad) {
    engine_.Failures["TimeLimitSeconds"] = "no limit";
    engine_.Failures["ModeAvailable"] = "no devices";
    Open();
    EXPECT_EQ(Text("edtTimeLimit"), "");
    EXPECT_EQ(Get<QComboBox>("cmbMode")->count(), 0);
    EXPECT_EQ(Get<QComboBox>("cmbMasterStream")->count(), 3);
    EXPECT_EQ(Get<xpcmdbutton>("btnOK")->State(), 1);
}

TEST_F(CapVidAud, ListPositionsMapToTheModesActuallyListed) {
    engine_.AvailableModes = {1, 3};
    Open();
    auto* cmb = Get<QComboBox>("cmbMode");
    ASSERT_EQ(cmb->count(), 2);
    EXPECT_EQ(cmb->itemText(1), "Audio only");
    SelectMode(1);
    EXPECT_EQ(dlg_->nMode, 3);

    engine_.AvailableModes = {3};
    Open();
    EXPECT_EQ(dlg_->nMode, 3);
}

TEST_F(CapVidAud, AudioOnlyAndBack) {
    Open();
    SelectMode(2);
    EXPECT_EQ(dlg_->nMode, 3);
    for (const char* name : {"edtFrameRate", "chkUseFrameRate", "lblFPS", "cmbMasterStream", "lblMasterStream"})
        EXPECT_FALSE(Get<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"Ops(0)", "Ops(1)", "Ops(2)"}) {
        EXPECT_TRUE(Get<QRadioButton>(name)->isEnabled()) << name;
        EXPECT_FALSE(Get<QRadioButton>(name)->isChecked()) << name;
    }
    EXPECT_TRUE(Get<QLabel>("LblSound")->isVisibleTo(dlg_.get()));
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));

    Get<QRadioButton>("Ops(2)")->click();
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.mp3"));
    SelectMode(1);
    EXPECT_TRUE(Get<QRadioButton>("Ops(0)")->isChecked());
    EXPECT_FALSE(Get<QRadioButton>("Ops(2)")->isChecked());
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));
    EXPECT_FALSE(Get<QRadioButton>("Ops(1)")->isEnabled());
    EXPECT_FALSE(Get<QLabel>("LblSound")->isVisibleTo(dlg_.get()));
}

TEST_F(CapVidAud, WavReplacesOnlyTheExtension) {
    Open();
    SelectMode(2);
    engine_.ClearCalls();
    Get<QLineEdit>("edtCaptureFile")->setText(Path("my.take.avi"));
    Get<QRadioButton>("Ops(1)")->click();
    EXPECT_EQ(Text("edtCaptureFile"), Path("my.take.wav"));
    EXPECT_EQ(engine_.Format, 2);
    EXPECT_EQ(nTargetFormat, 2);
    EXPECT_EQ(sCaptureExt, ".wav");
    EXPECT_EQ(engine_.FileName, Path("my.take.wav").toStdString());
    // The engine lets go of its output before the type changes.
    const auto& c = engine_.Calls;
    auto reset = std::find(c.begin(), c.end(), "ResetOutput");
    auto format = std::find(c.begin(), c.end(), "OutputFormat=2");
    ASSERT_NE(reset, c.end());
    EXPECT_LT(reset, format);

    // A name without an extension keeps its whole title.
    Get<QLineEdit>("edtCaptureFile")->setText(Path("take1"));
    Get<QRadioButton>("Ops(2)")->click();
    EXPECT_EQ(Text("edtCaptureFile"), Path("take1.mp3"));
}

// The typed name is checked before OK writes anything: control characters are refused, a
// relative name is in the folder the dialog showed, and an extension that names another
// kind of file is changed only when the user says so. A time limit of 0 is refused.
TEST_F(CapVidAud, OkChecksTheNameAndTheTimeLimitFirst) {
    Open();
    const auto ok = [&](const QString& name) {
        Get<QLineEdit>("edtCaptureFile")->setText(name);
        engine_.ClearCalls();
        Click("btnOK");
    };
    ok(Path("take\none.avi"));  // pasted with a line break
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_TRUE(prompts_.Messages[0].Text.contains("control characters"));
    EXPECT_TRUE(engine_.Calls.empty());
    EXPECT_EQ(dlg_->DialogResult, 2);

    prompts_.Answers = {PromptAnswer::No};
    ok(Path("take.wav"));  // AVI is chosen
    ASSERT_EQ(prompts_.Messages.size(), 2u);
    EXPECT_TRUE(prompts_.Messages[1].Text.contains(Path("take.avi")));
    EXPECT_TRUE(engine_.Calls.empty());
    EXPECT_EQ(dlg_->DialogResult, 2);

    Get<QCheckBox>("chkUseTimeLimit")->setChecked(true);
    Get<QLineEdit>("edtTimeLimit")->setText("0");
    ok("relative.avi");
    ASSERT_EQ(prompts_.Messages.size(), 3u);
    EXPECT_TRUE(prompts_.Messages[2].Text.contains("more than 0 seconds"));
    EXPECT_TRUE(engine_.Calls.empty());

    Get<QLineEdit>("edtTimeLimit")->setText("5");
    ok("relative.avi");
    EXPECT_EQ(engine_.FileName, Path("relative.avi").toStdString());
    EXPECT_EQ(dlg_->DialogResult, 1);
}

TEST_F(CapVidAud, FrameRateRange) {
    Open();
    Get<QCheckBox>("chkUseFrameRate")->setChecked(true);
    Get<QLineEdit>("edtFrameRate")->setText("31");
    Click("btnOK");
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0].Text, "Choose a value between 0.0 and 30.0 for frame rate");
    EXPECT_EQ(prompts_.Messages[0].Buttons, PromptButtons::Ok);
    EXPECT_EQ(dlg_->DialogResult, 2);
    EXPECT_EQ(dlg_->result(), 0);
    EXPECT_FALSE(engine_.WasCalled("FrameRateValue=31"));
    EXPECT_EQ(Stored("AddTime"), "<none>");

    Get<QLineEdit>("edtFrameRate")->setText("30");
    Click("btnOK");
    EXPECT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(dlg_->DialogResult, 1);
    EXPECT_EQ(engine_.RateValue, 30.0);
}

TEST_F(CapVidAud, UntickedFrameRateIgnoresItsText) {
    Open();
    Get<QLineEdit>("edtFrameRate")->setText("not a number");
    Click("btnOK");
    EXPECT_TRUE(prompts_.Messages.empty());
    EXPECT_EQ(dlg_->DialogResult, 1);
}

TEST_F(CapVidAud, PastedNonNumbersAreRefusedByNameAndNothingIsWritten) {
    Open();
    Get<QCheckBox>("chkUseTimeLimit")->setChecked(true);
    Get<QLineEdit>("edtTimeLimit")->setText("1O");  // letter O
    engine_.ClearCalls();
    Click("btnOK");
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_TRUE(prompts_.Messages[0].Text.contains("Time Limit"));
    EXPECT_TRUE(engine_.Calls.empty());
    EXPECT_EQ(Stored("SaveExt"), "<none>");
    EXPECT_EQ(dlg_->DialogResult, 2);

    Get<QLineEdit>("edtTimeLimit")->setText("10");
    Get<QCheckBox>("chkUseFrameRate")->setChecked(true);
    Get<QLineEdit>("edtFrameRate")->setText("fast");
    Click("btnOK");
    ASSERT_EQ(prompts_.Messages.size(), 2u);
    EXPECT_TRUE(prompts_.Messages[1].Text.contains("Frame Rate"));
    EXPECT_TRUE(engine_.Calls.empty());
    EXPECT_EQ(dlg_->DialogResult, 2);
}

TEST_F(CapVidAud, OkWritesTheEngineInOrderThenTheSettings) {
    Open();
    Get<QCheckBox>("chkUseTimeLimit")->setChecked(true);
    Get<QLineEdit>("edtTimeLimit")->setText("10");
    Get<QCheckBox>("chkUseFrameRate")->setChecked(true);
    Get<QLineEdit>("edtFrameRate")->setText("15");
    Get<QComboBox>("cmbMasterStream")->setCurrentIndex(2);
    Get<QLineEdit>("edtCapFileSize")->setText("25");
    Get<QCheckBox>("ChkTimeStamp")->setChecked(true);
    Get<QCheckBox>("ChkAutoName")->setChecked(true);
    engine_.ClearCalls();
    Click("btnOK");
    // The typed name is handed over first, so the capture goes where the box says.
    const std::vector<std::string> expected = {"CaptureFileName=" + engine_.FileName, "FrameRateValue=15", "TimeLimitSeconds=10", "TimeLimitOn=True",
                                               "FrameRateOn=True", "MasterStreamIndex=1", "ReserveCaptureFile(25)"};
    EXPECT_EQ(engine_.Calls, expected);
    EXPECT_EQ(dlg_->DialogResult, 1);
    EXPECT_EQ(dlg_->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("AddTime"), "True");
    EXPECT_EQ(Stored("Ext"), ".avi");
    EXPECT_EQ(Stored("SaveExt"), "True");
    // Memory keeps what was loaded.
    EXPECT_FALSE(bAddTime);
}

TEST_F(CapVidAud, OkSurvivesFailingWritesAndSkipsAnUnreadableSize) {
    Open();
    engine_.Failures["MasterStreamIndex="] = "refused";
    Get<QLineEdit>("edtCapFileSize")->setText("");
    engine_.ClearCalls();
    Click("btnOK");
    EXPECT_TRUE(engine_.CallsStartingWith("ReserveCaptureFile").empty());
    EXPECT_EQ(Stored("SaveExt"), "False");
    EXPECT_EQ(Stored("Ext"), "<none>");
    EXPECT_EQ(dlg_->DialogResult, 1);
}

TEST_F(CapVidAud, TimeLimitTickWithEmptyTextDisablesOk) {
    Open();
    Get<QLineEdit>("edtTimeLimit")->setText("");
    auto* ok = Get<xpcmdbutton>("btnOK");
    Get<QCheckBox>("chkUseTimeLimit")->setChecked(true);
    EXPECT_FALSE(ok->Enabled());
    Get<QCheckBox>("chkUseTimeLimit")->setChecked(false);
    EXPECT_TRUE(ok->Enabled());
    EXPECT_FALSE(Get<QLineEdit>("edtTimeLimit")->isEnabled());
    // A ticked frame rate in audio-only mode does not count.
    Get<QCheckBox>("chkUseFrameRate")->setChecked(true);
    Get<QLineEdit>("edtFrameRate")->setText("");
    EXPECT_FALSE(ok->Enabled());
    SelectMode(2);
    EXPECT_TRUE(ok->Enabled());
}

TEST_F(CapVidAud, NumberBoxesTakeOnlyDigitsAndBackspace) {
    Open();
    dlg_->show();
    for (const char* name : {"edtCapFileSize", "edtTimeLimit", "edtFrameRate"}) {
        auto* box = Get<QLineEdit>(name);
        box->setText("");
        box->setFocus();
        QTest::keyClicks(box, "1a.2-");
        EXPECT_EQ(box->text(), "12") << name;
        QTest::keyClick(box, Qt::Key_Backspace);
        EXPECT_EQ(box->text(), "1") << name;
    }
}

TEST_F(CapVidAud, CancelStillStoresSaveExt) {
    Open();
    Get<QCheckBox>("ChkAutoName")->setChecked(true);
    engine_.ClearCalls();
    Click("btnCancel");
    EXPECT_EQ(dlg_->DialogResult, 2);
    EXPECT_EQ(Stored("SaveExt"), "True");
    EXPECT_EQ(Stored("AddTime"), "<none>");
    EXPECT_TRUE(engine_.Calls.empty());
}

TEST_F(CapVidAud, CloseBoxClosesAndStoresNothing) {
    Open();
    dlg_->show();
    QTest::mouseClick(Get<QLabel>("LblEnd"), Qt::LeftButton);
    EXPECT_FALSE(dlg_->isVisible());
    EXPECT_EQ(dlg_->DialogResult, 2);
    EXPECT_EQ(Stored("SaveExt"), "<none>");
}

TEST_F(CapVidAud, AutoNameShowsThePlaceholderAndRemovesOldOnes) {
    ASSERT_TRUE(gSettings->SaveSetting(gSection, "AutoSaveDir", files_.path()));
    ASSERT_TRUE(gSettings->SaveSetting(gSection, "Ext", ".wav"));
    for (const char* ext : {".mp3", ".avi", ".wav"})
        ASSERT_TRUE(test::WriteFileOfSize(Path(QStringLiteral("Using Auto Name with ext") + ext)));
    ASSERT_TRUE(test::WriteFileOfSize(Path("Using Auto Name with ext.txt")));
    bAutoName = true;
    Open();
    EXPECT_EQ(Text("edtCaptureFile"), files_.path() + "/Using Auto Name with ext.avi");
    for (const char* ext : {".mp3", ".avi", ".wav"})
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Using Auto Name with ext") + ext))) << ext;
    EXPECT_TRUE(QFile::exists(Path("Using Auto Name with ext.txt")));
    EXPECT_EQ(sExt, ".wav");
}

TEST_F(CapVidAud, FreeSpaceCountsTheExistingFile) {
    ASSERT_TRUE(test::WriteFileOfSize(Path("clip.wav"), 3000000));
    SetFreeSpaceSource([](const QString&) { return int64_t(10000); });
    Open();
    // Load sizes the engine's own file; the AVI name it then proposes does not exist.
    EXPECT_EQ(dlg_->GetSize(Path("clip.wav")), 3000000);
    Get<QLineEdit>("edtCaptureFile")->setText(Path("clip.wav"));
    EXPECT_EQ(Get<QLabel>("lblFreeDiskSpace")->text(), "12");
    EXPECT_EQ(Text("edtCapFileSize"), "2");
    EXPECT_TRUE(Get<QLabel>("LblExists")->isVisibleTo(dlg_.get()));
    Get<QLineEdit>("edtCaptureFile")->setText(Path("fresh.avi"));
    EXPECT_EQ(Get<QLabel>("lblFreeDiskSpace")->text(), "9");
    EXPECT_EQ(Text("edtCapFileSize"), "0");
    EXPECT_FALSE(Get<QLabel>("LblExists")->isVisibleTo(dlg_.get()));
}

TEST_F(CapVidAud, BrowseTakesTheChosenFileOrNothing) {
    Open();
    prompts_.FileAnswers = {""};
    Click("btnBrowse");
    ASSERT_EQ(prompts_.SaveRequests.size(), 1u);
    EXPECT_EQ(prompts_.SaveRequests[0].DefaultSuffix, "avi");
    EXPECT_EQ(prompts_.SaveRequests[0].Filter, "Microsoft AVI (*.avi);;Microsoft WAV (*.wav);;MP3 (*.mp3)");
    EXPECT_EQ(prompts_.SaveRequests[0].InitialName, "clip.avi");
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));
    EXPECT_TRUE(prompts_.Messages.empty());

    prompts_.FileAnswers = {Path("other.avi")};
    Click("btnBrowse");
    EXPECT_EQ(Text("edtCaptureFile"), Path("other.avi"));
}

TEST_F(CapVidAud, EnterPressesOkAndEscapeCancel) {
    Open();
    dlg_->show();
    Get<QLineEdit>("edtCapFileSize")->setFocus();
    QTest::keyClick(Get<QLineEdit>("edtCapFileSize"), Qt::Key_Escape);
    EXPECT_EQ(Stored("SaveExt"), "False");
    EXPECT_EQ(dlg_->DialogResult, 2);
    Open();
    dlg_->show();
    QTest::keyClick(Get<QLineEdit>("edtCapFileSize"), Qt::Key_Return);
    EXPECT_EQ(dlg_->DialogResult, 1);
}

}  // namespace
