// The program as a user drives it, on the real engine: menus list the real devices, and
// captures started from the Capture menu and the Auto Buttons window leave playable files.
#include "autocapture/Buttons.h"
#include "controls/xpcmdbutton.h"
#include "mainwindow/MainFrm.h"
#include "mainwindow/StatusBarPanels.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/ScriptedPrompts.h"
#include "support/MediaTest.h"
#include "support/Processes.h"
#include "support/TempFiles.h"

#include "support/Pump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <sys/stat.h>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <set>

using namespace pelta;
using namespace pelta::engine;

namespace {

using pelta::test::Pump;

using Streams = test::FfprobeReport;
Streams Probe(const QString& path) { return test::Ffprobe(path.toStdString()); }

class UserCaptures : public test::MediaTest {
protected:
    void Ready() override {
        bAutoName = bWindowsDown = bSkipAutoCapture = false;
        main_ = std::make_unique<MainFrm>();
        main_->Load();
        main_->show();
        // The built-in devices make the recording predictable: the Test Pattern and Test Tone.
        MainMenus& m = main_->Menus();
        m.menuOptionsVideoDevice.All.back()->trigger();
        m.menuOptionsAudioDevice.All.back()->trigger();
    }
    void TearDown() override { main_.reset(); }
    // A stop returns before the engine has finished the file: it says so by leaving the
    // capturing state (and raising CaptureEnded).
    void WaitUntilFinished() {
        EXPECT_TRUE(test::PumpUntil([&] { return main_->Engine().EngineState() != EngineStateCode::Capturing; }));
        QApplication::processEvents();
    }

    // Answers the Capture Video and Audio dialog as a user would: a file, a type, OK.
    void ScriptCaptureDialog(const QString& file, const QString& type, const QString& mode = "Video and Audio") {
        prompts_.DialogScript = [file, type, mode](QDialog& d) {
            // The sound-only file types open up once the mode is sound only.
            auto* modes = d.findChild<QComboBox*>("cmbMode");
            modes->setCurrentIndex(modes->findText(mode));
            emit modes->activated(modes->currentIndex());
            for (auto* r : d.findChildren<QRadioButton*>())
                if (r->accessibleName() == type && !r->isChecked()) r->click();
            auto* edit = d.findChild<QLineEdit*>("edtCaptureFile");
            edit->setText(file);
            emit d.findChild<xpcmdbutton*>("btnOK")->Click();
            return d.result();
        };
    }

    test::TempConfigHome home_;
    QTemporaryDir files_;
    test::ScriptedPrompts prompts_;
    std::unique_ptr<MainFrm> main_;
};

TEST_F(UserCaptures, MenusListTheRealDevicesAndChoosingOneChangesTheStatusBar) {
    MainMenus& m = main_->Menus();
    std::set<QString> video, audio, renderers, compressors;
    for (QAction* a : m.menuOptionsVideoDevice.All) video.insert(a->text());
    for (QAction* a : m.menuOptionsAudioDevice.All) audio.insert(a->text());
    for (QAction* a : m.menuOptionsPreviewAudioRenderer.All) renderers.insert(a->text());
    for (QAction* a : m.menuOptionsVideoCompressor.All) compressors.insert(a->text());
    EXPECT_TRUE(video.count("Test Pattern"));
    EXPECT_TRUE(video.count("Screen 0 (1920x1080)"));
    EXPECT_TRUE(audio.count("Test Tone"));
    EXPECT_GE(renderers.size(), 2u);
    EXPECT_TRUE(compressors.count("No Recompression"));
    EXPECT_TRUE(compressors.count("Motion JPEG"));
    EXPECT_EQ(main_->PanelText(2), "Test Pattern");
    EXPECT_EQ(m.menuOptionsVideoCaptureSize.All.front()->text(), "320x240");
    m.menuOptionsVideoDevice.All[1]->trigger();
    EXPECT_EQ(main_->PanelText(2), "Screen 0 (1920x1080)");
    EXPECT_TRUE(m.menuOptionsVideoDevice.All[1]->isChecked());
    EXPECT_EQ(m.menuOptionsVideoCaptureSize.All.front()->text(), "1920x1080");
}

TEST_F(UserCaptures, VideoAndSoundFromTheCaptureMenu) {
    const QString file = files_.filePath("take.avi");
    ScriptCaptureDialog(file, "AVI");
    main_->Menus().menuCaptureVideoandAudio->trigger();
    ASSERT_FALSE(prompts_.Messages.empty());
    EXPECT_EQ(prompts_.Messages.back().Title, " Ready to capture ");
    Pump(2500);
    EXPECT_EQ(main_->PanelText(3), "Recording ...");
    EXPECT_EQ(main_->PanelText(5), "Format: Avi");
    EXPECT_TRUE(main_->PanelText(2).startsWith("Not Dropped "));
    EXPECT_TRUE(main_->PanelText(1).startsWith("Captured "));
    main_->Menus().menuCaptureStopCapture->trigger();
    WaitUntilFinished();
    const Streams s = Probe(file);
    EXPECT_TRUE(s.Has("codec_type=video")) << s.text;
    EXPECT_TRUE(s.Has("codec_type=audio")) << s.text;
    EXPECT_TRUE(main_->PanelText(1).contains(" fps "));
}

TEST_F(UserCaptures, SoundOnlyIntoWavAndMp3) {
    for (const char* type : {"WAV", "MP3"}) {
        const QString file = files_.filePath(QString("tone.") + QString(type).toLower());
        ScriptCaptureDialog(file, type, "Audio only");
        main_->Menus().menuCaptureVideoandAudio->trigger();
        Pump(1500);
        main_->Menus().menuCaptureStopCapture->trigger();
        WaitUntilFinished();
        const Streams s = Probe(file);
        EXPECT_TRUE(s.Has("codec_type=audio")) << type << ": " << s.text;
        EXPECT_FALSE(s.Has("codec_type=video")) << type << ": " << s.text << " msgs=" << prompts_.Messages.size() << " last=" << prompts_.Messages.back().Text.toStdString();
    }
}

TEST_F(UserCaptures, ThreeAutomaticCapturesFromTheAutoButtons) {
    CreateProgramSettings();
    gSettings->SaveSetting(gSection, "AutoSaveDir", files_.path());
    main_->Menus().menuAUTO->trigger();
    ScriptCaptureDialog(files_.filePath("ignored.avi"), "AVI");
    main_->Menus().menuCaptureVideoandAudio->trigger();
    Buttons* b = ButtonsWindow(false);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 3; ++i) {
        emit b->xpcmdbutton1->Click();
        Pump(1200);
        emit b->xpcmdbutton2->Click();
        WaitUntilFinished();
        ASSERT_TRUE(test::PumpUntil([&] { return b->xpcmdbutton1->isEnabled(); }));
    }
    for (int n = 2; n <= 4; ++n) {
        const Streams s = Probe(files_.filePath("Auto-" + QString::number(n) + ".avi"));
        EXPECT_TRUE(s.Has("codec_type=video")) << n << ": " << s.text;
    }
    emit b->xpcmdbutton3->Click();
}

}  // namespace

namespace {

TEST_F(UserCaptures, AManualSequenceAfterAWavCaptureRecordsIntoTheAviOfTheSameName) {
    const QString wav = files_.filePath("voice.wav");
    ScriptCaptureDialog(wav, "WAV", "Audio only");
    main_->Menus().menuCaptureVideoandAudio->trigger();
    Pump(1000);
    main_->Menus().menuCaptureStopCapture->trigger();
    WaitUntilFinished();
    ASSERT_TRUE(Probe(wav).Has("codec_type=audio"));
    const size_t messages = prompts_.Messages.size();
    prompts_.DialogScript = [](QDialog& d) {
        for (int i = 0; i < 5; ++i) {
            Pump(150);
            emit d.findChild<xpcmdbutton*>("btnCapture")->Click();
        }
        EXPECT_EQ(d.findChild<QLineEdit*>("edtFrameCount")->text(), "5");
        emit d.findChild<xpcmdbutton*>("btnStop")->Click();
        return int(QDialog::Accepted);
    };
    main_->Menus().menuCaptureManualFrameSequence->trigger();
    WaitUntilFinished();
    EXPECT_EQ(prompts_.Messages.size(), messages);
    EXPECT_EQ(Probe(files_.filePath("voice.avi")).VideoFrames(), 5);
    EXPECT_TRUE(main_->PanelText(1).startsWith("Captured 5 frames")) << main_->PanelText(1).toStdString();
    EXPECT_TRUE(Probe(wav).Has("codec_type=audio"));  // the sound capture is kept
}

TEST_F(UserCaptures, FrameSequencesAndAnAllocatedFile) {
    CaptureEngineContract& e = main_->Engine();
    // A manual sequence of five presses.
    const QString manual = files_.filePath("manual.avi");
    e.SetCaptureFileName(manual.toStdString());
    e.SetOutputFormat(OutputFormat::Avi);
    prompts_.DialogScript = [](QDialog& d) {
        for (int i = 0; i < 5; ++i) {
            Pump(150);
            emit d.findChild<xpcmdbutton*>("btnCapture")->Click();
        }
        emit d.findChild<xpcmdbutton*>("btnStop")->Click();
        return int(QDialog::Accepted);
    };
    main_->Menus().menuCaptureManualFrameSequence->trigger();
    WaitUntilFinished();
    EXPECT_EQ(Probe(manual).VideoFrames(), 5);

    // An automatic sequence: one frame a second for five seconds.
    const QString automatic = files_.filePath("auto.avi");
    e.SetCaptureFileName(automatic.toStdString());
    prompts_.DialogScript = [](QDialog& d) {
        d.findChild<QLineEdit*>("edtFrameDelay")->setText("1");
        d.findChild<QCheckBox*>("chkUseTimeLimit")->setChecked(true);
        d.findChild<QLineEdit*>("edtTimeLimit")->setText("5");
        emit d.findChild<xpcmdbutton*>("btnOK")->Click();
        return d.result();
    };
    main_->Menus().menuCaptureAutomaticFrameSequence->trigger();
    Pump(6500);
    const long frames = Probe(automatic).VideoFrames();
    EXPECT_GE(frames, 4);
    EXPECT_LE(frames, 6);

    // 50 MB set aside really takes disk space, and the capture cuts the file back.
    const QString reserved = files_.filePath("reserved.avi");
    e.SetCaptureFileName(reserved.toStdString());
    e.ReserveCaptureFile(50);
    struct stat st {};
    ASSERT_EQ(stat(reserved.toUtf8().constData(), &st), 0);
    EXPECT_GE(int64_t(st.st_blocks) * 512, int64_t(50) << 20);
    e.SetTimeLimitOn(true);
    e.SetTimeLimitSeconds(1);
    e.PrepareCapture(CaptureMode::VideoOnly);
    e.BeginCapture(CaptureMode::VideoOnly);
    Pump(2000);
    ASSERT_EQ(stat(reserved.toUtf8().constData(), &st), 0);
    EXPECT_LT(st.st_size, int64_t(50) << 20);
    EXPECT_GT(Probe(reserved).VideoFrames(), 20);
}

}  // namespace
