// The setup dialogs: capture video and audio, allocate a capture file, automatic frame sequence.
#include "controls/xpcmdbutton.h"
#include "dialogs/AllocCapFileFrm.h"
#include "dialogs/CapAutoSeqFrm.h"
#include "dialogs/CapVidAudFrm.h"
#include "dialogs/Pelxbas.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
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
        engine_.GapSeconds = 2;
        engine_.LimitSeconds = 10;
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
    QStringList Items(const QString& name) const {
        QStringList items;
        for (auto* cmb = Get<QComboBox>(name); items.size() < cmb->count();) items << cmb->itemText(items.size());
        return items;
    }
    // One character per named widget: '1' where it is enabled ('e'), checked ('c') or shown ('s').
    QString Flags(char what, std::initializer_list<const char*> names) const {
        QString flags;
        for (const char* name : names) {
            auto* w = Get<QWidget>(name);
            const bool on = what == 'e'   ? w->isEnabled()
                            : what == 's' ? w->isVisibleTo(dlg_.get())
                                          : qobject_cast<QAbstractButton*>(w)->isChecked();
            flags += on ? '1' : '0';
        }
        return flags;
    }
    void Type(const QString& box, const QString& text) const { Get<QLineEdit>(box)->setText(text); }
    void Tick(const QString& box, bool on = true) const { Get<QCheckBox>(box)->setChecked(on); }
    void Click(const QString& button) { emit Get<xpcmdbutton>(button)->Click(); }
    void SelectMode(int position) {
        auto* cmb = Get<QComboBox>("cmbMode");
        cmb->setCurrentIndex(position);
        emit cmb->activated(position);
    }
    QString Stored(const QString& key) const { return gSettings->GetSetting(gSection, key, "<none>"); }
    // Shows the dialog as the active window with the keyboard focus in `box`.
    static void Focus(QDialog& d, QLineEdit* box) {
        d.show();
        d.activateWindow();
        QApplication::setActiveWindow(&d);
        box->setFocus();
        QApplication::processEvents();
    }

    test::TempConfigHome home_;
    QTemporaryDir files_;
    ScriptableEngine engine_;
    ScriptedPrompts prompts_;
    std::unique_ptr<CapVidAudFrm> dlg_;
};

TEST_F(CapVidAud, LoadOffersTheAvailableModesAnAviNameAndTheEngineLimitsSkippingFailures) {
    engine_.LimitSeconds = 12.5;
    engine_.RateValue = 15;
    engine_.LimitOn = false;
    engine_.RateOn = true;
    Open();
    EXPECT_EQ(Items("cmbMode"), (QStringList{"Video and Audio", "Video only", "Audio only"}));
    EXPECT_EQ(Get<QComboBox>("cmbMode")->currentIndex(), 0);
    EXPECT_EQ(dlg_->nMode, 1);
    // Whatever the engine's extension, the dialog opens on an AVI name and tells the engine.
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));
    EXPECT_EQ(std::tuple(engine_.FileName, engine_.Format, sCaptureExt),
              std::tuple(Path("clip.avi").toStdString(), 0, QString(".avi")));
    EXPECT_EQ(Get<QComboBox>("cmbMasterStream")->currentText(), "Video");
    // The engine's limits, both boxes enabled whether ticked or not; AVI chosen, WAV not offered.
    EXPECT_EQ(QStringList({Text("edtTimeLimit"), Text("edtFrameRate")}), QStringList({QLocale().toString(12.5), "15"}));
    EXPECT_EQ(Flags('c', {"chkUseTimeLimit", "chkUseFrameRate", "Ops(0)"}), "011");
    EXPECT_EQ(Flags('e', {"edtTimeLimit", "edtFrameRate", "Ops(1)"}), "110");

    // List positions map to the modes actually listed.
    engine_.AvailableModes = {1, 3};
    Open();
    EXPECT_EQ(Items("cmbMode"), (QStringList{"Video and Audio", "Audio only"}));
    SelectMode(1);
    EXPECT_EQ(dlg_->nMode, 3);
    engine_.AvailableModes = {3};
    Open();
    EXPECT_EQ(dlg_->nMode, 3);

    // A failing engine step is skipped and the rest still loads.
    engine_.Failures = {{"TimeLimitSeconds", "no limit"}, {"ModeAvailable", "no devices"}};
    Open();
    EXPECT_EQ(Text("edtTimeLimit"), "");
    EXPECT_TRUE(Items("cmbMode").isEmpty());
    EXPECT_EQ(Items("cmbMasterStream").size(), 3);
    EXPECT_EQ(Get<xpcmdbutton>("btnOK")->State(), 1);
}

TEST_F(CapVidAud, AudioOnlyFileTypesAndBack) {
    Open();
    SelectMode(2);
    EXPECT_EQ(dlg_->nMode, 3);
    EXPECT_EQ(Flags('e', {"edtFrameRate", "chkUseFrameRate", "lblFPS", "cmbMasterStream", "lblMasterStream", "Ops(0)",
                          "Ops(1)", "Ops(2)"}),
              "00000111");
    EXPECT_EQ(Flags('c', {"Ops(0)", "Ops(1)", "Ops(2)"}), "000");
    EXPECT_EQ(Flags('s', {"LblSound"}), "1");
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));

    Get<QRadioButton>("Ops(2)")->click();
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.mp3"));

    // WAV replaces only the extension.
    engine_.ClearCalls();
    Type("edtCaptureFile", Path("my.take.avi"));
    Get<QRadioButton>("Ops(1)")->click();
    EXPECT_EQ(Text("edtCaptureFile"), Path("my.take.wav"));
    EXPECT_EQ(std::tuple(engine_.Format, nTargetFormat, sCaptureExt), std::tuple(2, 2, QString(".wav")));
    EXPECT_EQ(engine_.FileName, Path("my.take.wav").toStdString());
    // The engine lets go of its output before the type changes.
    const auto at = [c = engine_.Calls](const char* call) { return std::find(c.begin(), c.end(), call) - c.begin(); };
    EXPECT_LT(at("ResetOutput"), at("OutputFormat=2"));
    EXPECT_LT(at("OutputFormat=2"), std::ssize(engine_.Calls));

    // A name without an extension keeps its whole title.
    Type("edtCaptureFile", Path("take1"));
    Get<QRadioButton>("Ops(2)")->click();
    EXPECT_EQ(Text("edtCaptureFile"), Path("take1.mp3"));

    SelectMode(1);  // video only: a frame rate but no master stream
    EXPECT_EQ(Flags('c', {"Ops(0)", "Ops(2)"}), "10");
    EXPECT_EQ(Flags('e', {"edtFrameRate", "chkUseFrameRate", "lblFPS", "cmbMasterStream", "Ops(1)"}), "11100");
    EXPECT_EQ(Flags('s', {"LblSound"}), "0");
    EXPECT_EQ(Text("edtCaptureFile"), Path("take1.avi"));
}

// Every value is checked before OK writes anything: numbers that are not numbers or out of
// range, a time limit of 0, control characters in the name, and an extension that names
// another kind of file (changed only when the user says so). A refusal stores nothing.
// Each row: the name in the files folder, the time limit and frame rate (nullptr: unticked),
// and the message, exactly (`whole`) or a part of it.
TEST_F(CapVidAud, OkRefusesBadValuesBeforeWritingAnything) {
    const struct { const char *name, *limit, *rate; QString message; bool whole; } rows[] = {
        {"take\none.avi", nullptr, nullptr, "control characters", false},  // pasted with a line break
        {"take.wav", nullptr, nullptr, Path("take.avi"), false},             // AVI is chosen; answered No
        {"clip.avi", "0", nullptr, "more than 0 seconds", false},
        {"clip.avi", "1O", nullptr, "Time Limit", false},                    // letter O
        {"clip.avi", "10", "fast", "Frame Rate", false},
        {"clip.avi", nullptr, "31", "Choose a value between 0.0 and 30.0 for frame rate", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.message.toStdString());
        Open();
        Type("edtCaptureFile", Path(r.name));
        Tick("chkUseTimeLimit", r.limit != nullptr);
        Tick("chkUseFrameRate", r.rate != nullptr);
        if (r.limit) Type("edtTimeLimit", r.limit);
        if (r.rate) Type("edtFrameRate", r.rate);
        prompts_.Messages.clear();
        prompts_.Answers = {PromptAnswer::No};
        engine_.ClearCalls();
        Click("btnOK");
        ASSERT_EQ(prompts_.Messages.size(), 1u);
        const QString& text = prompts_.Messages[0].Text;
        EXPECT_TRUE(r.whole ? text == r.message : text.contains(r.message)) << text.toStdString();
        EXPECT_EQ(prompts_.Messages[0].Buttons, r.name == std::string("take.wav") ? PromptButtons::YesNo : PromptButtons::Ok);
        EXPECT_TRUE(engine_.Calls.empty());
        EXPECT_EQ(std::tuple(dlg_->DialogResult, dlg_->result()), std::tuple(2, 0));
        EXPECT_EQ(Stored("AddTime") + Stored("SaveExt"), "<none><none>");
    }
}

// What OK writes: the typed name first (a relative one in the folder the dialog showed), so
// the capture goes where the box says, then the checked values in order, and then the
// settings; memory keeps what was loaded. An unticked frame rate's text is not looked at, 30
// is allowed, a failing engine write is skipped, an unreadable size reserves nothing, and an
// unticked auto name stores no extension. Each row: the name (empty: as loaded), the time
// limit (nullptr: unticked), the frame rate and its tick, the size, the two name ticks, the
// engine member that fails, the engine calls, and AddTime, Ext and SaveExt as stored.
TEST_F(CapVidAud, OkWritesTheEngineInOrderThenTheSettings) {
    const std::string clip = "CaptureFileName=" + Path("clip.avi").toStdString();
    const struct { QString name; const char *limit, *rate; bool rateOn; const char* size; bool ticks; const char* failing;
                   std::vector<std::string> calls; QString stored; } rows[] = {
        {"", "10", "15", true, "25", true, "", {clip, "FrameRateValue=15", "TimeLimitSeconds=10", "TimeLimitOn=True",
          "FrameRateOn=True", "MasterStreamIndex=1", "ReserveCaptureFile(25)"}, "True .avi True"},
        {"relative.avi", "5", "not a number", false, "7", false, "",
         {"CaptureFileName=" + Path("relative.avi").toStdString(), "TimeLimitSeconds=5", "TimeLimitOn=True",
          "FrameRateOn=False", "MasterStreamIndex=1", "ReserveCaptureFile(7)"}, "False <none> False"},
        {"", nullptr, "30", true, "", false, "MasterStreamIndex=", {clip, "FrameRateValue=30", "TimeLimitOn=False",
          "FrameRateOn=True", "MasterStreamIndex=1"}, "False <none> False"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.calls[1]);
        QFile::remove(CRegSettings::StoreFilePath());
        engine_.Failures = {{r.failing, "refused"}};
        engine_.FileName = Path("clip.wav").toStdString();
        Open();
        if (!r.name.isEmpty()) Type("edtCaptureFile", r.name);
        Tick("chkUseTimeLimit", r.limit != nullptr);
        if (r.limit) Type("edtTimeLimit", r.limit);
        Tick("chkUseFrameRate", r.rateOn);
        Type("edtFrameRate", r.rate);
        Get<QComboBox>("cmbMasterStream")->setCurrentIndex(2);
        Type("edtCapFileSize", r.size);
        Tick("ChkTimeStamp", r.ticks);
        Tick("ChkAutoName", r.ticks);
        engine_.ClearCalls();
        Click("btnOK");
        EXPECT_TRUE(prompts_.Messages.empty());
        EXPECT_EQ(std::tuple(dlg_->DialogResult, dlg_->result()), std::tuple(1, int(QDialog::Accepted)));
        EXPECT_EQ(engine_.Calls, r.calls);
        EXPECT_EQ(Stored("AddTime") + " " + Stored("Ext") + " " + Stored("SaveExt"), r.stored);
        EXPECT_FALSE(bAddTime);
    }
}

// OK is grayed while a ticked limit has no text; a ticked frame rate in audio-only mode does not count.
TEST_F(CapVidAud, TimeLimitTickWithEmptyTextDisablesOk) {
    Open();
    Type("edtTimeLimit", "");
    auto* ok = Get<xpcmdbutton>("btnOK");
    Tick("chkUseTimeLimit");
    EXPECT_FALSE(ok->Enabled());
    Tick("chkUseTimeLimit", false);
    EXPECT_TRUE(ok->Enabled());
    EXPECT_EQ(Flags('e', {"edtTimeLimit"}), "0");
    Tick("chkUseFrameRate");
    Type("edtFrameRate", "");
    EXPECT_FALSE(ok->Enabled());
    SelectMode(2);
    EXPECT_TRUE(ok->Enabled());
}

// Cancel, Escape and the close box leave the engine alone; Cancel and Escape store only
// whether the extension is kept, the close box nothing. Enter is OK.
TEST_F(CapVidAud, WaysOutOfTheDialog) {
    const struct { const char* way; std::function<void()> act; int result; const char* saveExt; } rows[] = {
        {"close box", [this] { QTest::mouseClick(Get<QLabel>("LblEnd"), Qt::LeftButton); }, 2, "<none>"},
        {"Escape", [this] { QTest::keyClick(Get<QLineEdit>("edtCapFileSize"), Qt::Key_Escape); }, 2, "False"},
        {"Enter", [this] { QTest::keyClick(Get<QLineEdit>("edtCapFileSize"), Qt::Key_Return); }, 1, "False"},
        {"Cancel", [this] { Tick("ChkAutoName"), Click("btnCancel"); }, 2, "True"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.way);
        QFile::remove(CRegSettings::StoreFilePath());
        Open();
        dlg_->show();
        Get<QLineEdit>("edtCapFileSize")->setFocus();
        engine_.ClearCalls();
        r.act();
        EXPECT_FALSE(dlg_->isVisible());
        EXPECT_EQ(dlg_->DialogResult, r.result);
        EXPECT_EQ(Stored("SaveExt"), r.saveExt);
        if (r.result == 2) { EXPECT_EQ(QString::number(engine_.Calls.size()) + Stored("AddTime"), "0<none>"); }
    }
}

TEST_F(CapVidAud, AutoNameShowsThePlaceholderAndRemovesOldOnes) {
    ASSERT_TRUE(gSettings->SaveSetting(gSection, "AutoSaveDir", files_.path()));
    ASSERT_TRUE(gSettings->SaveSetting(gSection, "Ext", ".wav"));
    const QString placeholder = Path("Using Auto Name with ext");
    for (const char* ext : {".mp3", ".avi", ".wav", ".txt"}) ASSERT_TRUE(test::WriteFileOfSize(placeholder + ext));
    bAutoName = true;
    Open();
    EXPECT_EQ(Text("edtCaptureFile"), files_.path() + "/Using Auto Name with ext.avi");
    for (const char* ext : {".mp3", ".avi", ".wav", ".txt"})
        EXPECT_EQ(QFile::exists(placeholder + ext), ext == std::string(".txt")) << ext;
    EXPECT_EQ(sExt, ".wav");
}

TEST_F(CapVidAud, FreeSpaceCountsTheExistingFile) {
    ASSERT_TRUE(test::WriteFileOfSize(Path("clip.wav"), 3000000));
    SetFreeSpaceSource([](const QString&) { return int64_t(10000); });
    Open();
    // Load sizes the engine's own file; the AVI name it then proposes does not exist.
    EXPECT_EQ(dlg_->GetSize(Path("clip.wav")), 3000000);
    // Free MB (the existing file counted), the size box and whether "exists" shows.
    const auto space = [this] {
        return QStringList{Get<QLabel>("lblFreeDiskSpace")->text(), Text("edtCapFileSize"), Flags('s', {"LblExists"})};
    };
    Type("edtCaptureFile", Path("clip.wav"));
    EXPECT_EQ(space(), QStringList({"12", "2", "1"}));
    Type("edtCaptureFile", Path("fresh.avi"));
    EXPECT_EQ(space(), QStringList({"9", "0", "0"}));
}

TEST_F(CapVidAud, BrowseTakesTheChosenFileOrNothing) {
    Open();
    prompts_.FileAnswers = {""};
    Click("btnBrowse");
    ASSERT_EQ(prompts_.SaveRequests.size(), 1u);
    const SaveFileRequest& asked = prompts_.SaveRequests[0];
    EXPECT_EQ(QStringList({asked.DefaultSuffix, asked.Filter, asked.InitialName}),
              QStringList({"avi", "Microsoft AVI (*.avi);;Microsoft WAV (*.wav);;MP3 (*.mp3)", "clip.avi"}));
    EXPECT_EQ(Text("edtCaptureFile"), Path("clip.avi"));
    EXPECT_TRUE(prompts_.Messages.empty());

    prompts_.FileAnswers = {Path("other.avi")};
    Click("btnBrowse");
    EXPECT_EQ(Text("edtCaptureFile"), Path("other.avi"));
}

// The other setup dialogs as a keyboard user meets them.
using SetupKeyboard = CapVidAud;

// Every number box takes digits only, and Backspace, Tab and the editing keys work as in any
// text box: typing "23", Tab, "77" keeps the 23 and sends the 77 elsewhere.
TEST_F(SetupKeyboard, NumberBoxesTakeDigitsAndLetNavigationAndEditingKeysPass) {
    Open();
    AllocCapFileFrm alloc(engine_);
    CapAutoSeqFrm seq(engine_);
    const std::pair<QDialog*, QLineEdit*> boxes[] = {
        {dlg_.get(), Get<QLineEdit>("edtCapFileSize")}, {dlg_.get(), Get<QLineEdit>("edtTimeLimit")},
        {dlg_.get(), Get<QLineEdit>("edtFrameRate")},   {&alloc, alloc.edtCapFileSize},
        {&seq, seq.edtFrameDelay},                      {&seq, seq.edtTimeLimit}};
    for (const auto& [dialog, box] : boxes) {
        SCOPED_TRACE(dialog->metaObject()->className() + (" " + box->objectName().toStdString()));
        Focus(*dialog, box);
        box->setText("");
        QTest::keyClicks(box, "1a.2-");
        EXPECT_EQ(box->text(), "12");
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, "23");
        QTest::keyClick(box, Qt::Key_Tab);
        EXPECT_FALSE(box->hasFocus());
        if (QWidget* next = QApplication::focusWidget(); next && next != box) QTest::keyClicks(next, "77");
        EXPECT_EQ(box->text(), "123");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, "x9");
        EXPECT_EQ(box->text(), "9");
        box->home(false);
        QTest::keyClick(box, Qt::Key_Delete);
        EXPECT_EQ(box->text(), "");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(box->text(), "9");
    }
}

TEST_F(SetupKeyboard, EnterConfirmsAndEscapeCancelsFromANumberBox) {
    const auto press = [this](QDialog& d, QLineEdit* box, const char* text, Qt::Key key) {
        Focus(d, box);
        box->setText(text);
        QTest::keyClick(box, key);
        EXPECT_TRUE(key != Qt::Key_Escape || !d.isVisible());
    };
    CapAutoSeqFrm ok(engine_), cancel(engine_);
    press(ok, ok.edtFrameDelay, "4", Qt::Key_Return);
    EXPECT_EQ(std::tuple(ok.DialogResult, engine_.GapSeconds), std::tuple(1, 4.0));
    press(cancel, cancel.edtFrameDelay, "6", Qt::Key_Escape);
    EXPECT_EQ(std::tuple(cancel.DialogResult, engine_.GapSeconds), std::tuple(2, 4.0));

    AllocCapFileFrm alloc(engine_), reserve(engine_);
    press(alloc, alloc.edtCapFileSize, "3", Qt::Key_Escape);
    EXPECT_EQ(engine_.ReservedMB, -1);
    press(reserve, reserve.edtCapFileSize, "3", Qt::Key_Enter);
    EXPECT_EQ(engine_.ReservedMB, 3);
}

// The automatic sequence's title and caption. A zero delay is refused with a message; so
// is a delay the engine itself refuses, whose text is shown as it is. The dialog stays
// open and the engine keeps its delay.
TEST_F(SetupKeyboard, AutomaticSequenceTitlesAndAZeroFrameDelayRefused) {
    const QString refusal = "The delay between frames must be more than 0 seconds.";
    CapAutoSeqFrm d(engine_);
    EXPECT_EQ(d.windowTitle(), "Capture Automatic Frame Sequence");
    auto* title = d.findChild<QLabel*>("Label3");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Pelta-RX Frame Sequence");
    for (const QString delay : {"0", "000", "5"}) {
        if (delay == "5") engine_.Failures["FrameGapSeconds="] = refusal.toStdString();
        d.edtFrameDelay->setText(delay);
        prompts_.Messages.clear();
        d.OKClick();
        ASSERT_EQ(prompts_.Messages.size(), 1u) << delay.toStdString();
        const QString& text = prompts_.Messages[0].Text;
        EXPECT_TRUE(delay == "5" ? text == refusal : text.contains("Frame Delay")) << text.toStdString();
        EXPECT_EQ(std::tuple(d.DialogResult, engine_.GapSeconds), std::tuple(2, 2.0));
    }
}

}  // namespace
