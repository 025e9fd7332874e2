#include "mainwindow/CaptureCommands.h"
#include "controls/EngineWords.h"

#include "controls/SkipFailure.h"

#include "autocapture/AutoNaming.h"
#include "autocapture/Buttons.h"
#include "controls/Prompts.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/CapAutoSeqFrm.h"
#include "dialogs/CapManSeqFrm.h"
#include "dialogs/CapVidAudFrm.h"
#include "dialogs/Pelxbas.h"
#include "mainwindow/MainFrm.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <filesystem>

namespace pelta {

namespace {

using namespace engine;

PromptAnswer AskToStartCapture(QWidget* owner) {
    return Prompts().Message(owner, QCoreApplication::translate("CaptureCommands", " Press OK to start capture "), QCoreApplication::translate("CaptureCommands", " Ready to capture "),
                             PromptButtons::OkCancel);
}

struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { Restore(); }
    void Restore() {
        if (on) QApplication::restoreOverrideCursor();
        on = false;
    }
    bool on = true;
};

// A capture that cannot start says why. The engine's own text is shown as it is, except
// where the system refused the path itself: a raw filesystem error, with a path of
// thousands of characters, would say little in a box as wide as the screen.
void ReportStartFailure(QWidget* owner, const std::exception& err, const QString& path) {
    if (const QString tooLong = PathTooLongText(path); !tooLong.isEmpty()) {
        Prompts().DetailedMessage(owner, tooLong, ApplicationTitle(), path);
        return;
    }
    if (const auto* fsError = dynamic_cast<const std::filesystem::filesystem_error*>(&err)) {
        Prompts().DetailedMessage(owner,
                                  QCoreApplication::translate("CaptureCommands", "The capture file cannot be used: %1.")
                                      .arg(QString::fromLocal8Bit(fsError->code().message().c_str())),
                                  ApplicationTitle(), QString::fromStdString(fsError->path1().string()));
        return;
    }
    Prompts().Message(owner, EngineErrorText(std::string(err.what())), ApplicationTitle(), PromptButtons::Ok);
}

QString EngineFileName(CaptureEngineContract& e) {
    QString name;
    SkipFailure([&] { name = QString::fromStdString(e.CaptureFileName()); });
    return name;
}

}  // namespace

CaptureCommands::CaptureCommands(MainFrm& main) : main_(main) {}

void CaptureCommands::ConnectCommands() {
    MainMenus& m = main_.Menus();
    QObject::connect(m.menuCapture, &QMenu::aboutToShow, &main_, [this] { CaptureMenuOpening(); });
    ConnectCommand(m.menuCaptureVideoandAudio, &main_, [this] { VideoAndAudioCaptures(); });
    ConnectCommand(m.menuCaptureManualFrameSequence, &main_, [this] { ManualFrameSequence(); });
    ConnectCommand(m.menuCaptureAutomaticFrameSequence, &main_, [this] { AutomaticFrameSequence(); });
    ConnectCommand(m.menuCaptureManualFrameAudioSequence, &main_, [this] { ManualFrameAudioSequence(); });
    ConnectCommand(m.menuCaptureAutomaticFrameAudioSequence, &main_, [this] { AutomaticFrameAudioSequence(); });
    ConnectCommand(m.menuCaptureStillPictureClipboard, &main_, [this] { StillPicture(); });
    ConnectCommand(m.Mins, &main_, [this] { MinimizeOnCapture(); });
    ConnectCommand(m.menuCaptureStopCapture, &main_, [this] { StopCapture(); });
    main_.OnCaptureEndedAutoButtons = [] {
        if (Buttons* b = ButtonsWindow(true)) b->ReadyForCapture();
    };
}

void CaptureCommands::CaptureMenuOpening() {
    CaptureEngineContract& e = main_.Engine();
    MainMenus& m = main_.Menus();
    bool busy = false;
    SkipFailure([&] { busy = e.EngineState() == EngineStateCode::Capturing; });
    auto avail = [&](int32_t mode) {
        bool ok = false;
        SkipFailure([&] { ok = e.ModeAvailable(mode); });
        return ok && !busy;
    };
    m.menuCaptureVideoandAudio->setEnabled(avail(CaptureMode::AnyVideoAudio));
    m.menuCaptureManualFrameSequence->setEnabled(avail(CaptureMode::ManualFrames));
    m.menuCaptureAutomaticFrameSequence->setEnabled(avail(CaptureMode::AutoFrames));
    m.menuCaptureManualFrameAudioSequence->setEnabled(avail(CaptureMode::ManualFramesAudio));
    m.menuCaptureAutomaticFrameAudioSequence->setEnabled(avail(CaptureMode::AutoFramesAudio));
    m.menuCaptureStillPictureClipboard->setEnabled(avail(CaptureMode::StillPicture));
    m.menuCaptureStopCapture->setEnabled(busy);
    if (!m.menuCaptureStopCapture->isEnabled()) main_.ResetStatusBar();
}

void CaptureCommands::ConfirmAndCapture(int16_t& mode) {
    BusyPointer busy;
    CaptureEngineContract& e = main_.Engine();
    try {
        e.PrepareCapture(mode);
        bSkipAutoCapture = true;
        const PromptAnswer answer = AskToStartCapture(&main_);
        if (bAutoName) {
            // With automatic naming the answer starts nothing here.
        } else if (answer != PromptAnswer::Ok) {
            e.EndCapture();
            main_.bRecordingShown = false;
            main_.ResetStatusBar();
        } else {
            e.BeginCapture(mode);
        }
    } catch (const std::exception& err) {
        busy.Restore();
        ReportStartFailure(&main_, err, EngineFileName(e));
    }
}

void CaptureCommands::DoCaptureAuto(int16_t& nMode) {
    BusyPointer busy;
    CaptureEngineContract& e = main_.Engine();
    try {
        if (!bSkipAutoCapture) {
            e.SetCaptureFileName(sAutoFileName.toStdString());
            // What is written matches the name's extension, which follows the mode.
            nTargetFormat = static_cast<int16_t>(OutputFormatForName(sAutoFileName));
            e.SetOutputFormat(nTargetFormat);
            e.PrepareCapture(nMode);
            e.BeginCapture(nMode);
        }
        bSkipAutoCapture = false;
    } catch (const std::exception& err) {
        busy.Restore();
        ReportStartFailure(&main_, err, sAutoFileName);
    }
}

void CaptureCommands::VideoAndAudioCaptures() {
    CapVidAudFrm dialog(main_.Engine(), &main_);
    Prompts().ExecDialog(dialog);
    if (dialog.DialogResult != 1) return;
    int16_t mode = dialog.nMode;
    if (bWindowsDown) main_.showMinimized();
    if (bAutoName) {
        bSkipAutoCapture = true;
        Buttons* b = ButtonsWindow(true);
        b->show();
        b->ReadyForCapture();
        b->DoAutoCaptures(mode);
    } else {
        ConfirmAndCapture(mode);
    }
}

bool CaptureCommands::SequenceIntoAvi() {
    // A frame sequence is video, which only an AVI file holds. After a WAV or MP3 capture the
    // engine still names a sound file: the sequence goes to the AVI of the same name instead,
    // but a capture already in that AVI is replaced only when the user says so.
    CaptureEngineContract& e = main_.Engine();
    bool go = true;
    SkipFailure([&] {
        if (e.OutputFormat() == OutputFormat::Avi) return;
        QString path = QString::fromStdString(e.CaptureFileName()), ext, folder;
        if (!path.isEmpty()) {
            SplitPath(path, ext, folder);
            const QString avi = folder + sFileTitle + QStringLiteral(".avi");
            if (FileExists(avi) &&
                Prompts().Message(&main_,
                                  QCoreApplication::translate("CaptureCommands",
                                                              "The frame sequence is recorded into %1, which "
                                                              "already holds a capture. Replace it?")
                                      .arg(avi),
                                  ApplicationTitle(), PromptButtons::YesNo, false) != PromptAnswer::Yes) {
                go = false;
                return;
            }
            e.SetCaptureFileName(avi.toStdString());
        }
        e.SetOutputFormat(OutputFormat::Avi);
        nTargetFormat = OutputFormat::Avi;
        sCaptureExt = QStringLiteral(".avi");
    });
    return go;
}

void CaptureCommands::ManualFrameSequence() {
    if (!SequenceIntoAvi()) return;
    CapManSeqFrm window(main_.Engine(), [this](bool c) { main_.WriteCaptureStatus(c); }, &main_);
    window.gCaptureMode = CaptureMode::ManualFrames;
    Prompts().ExecDialog(window);
}

void CaptureCommands::AutomaticFrameSequence() {
    CapAutoSeqFrm dialog(main_.Engine(), &main_);
    Prompts().ExecDialog(dialog);
    if (dialog.DialogResult != 1 || !SequenceIntoAvi()) return;
    int16_t mode = CaptureMode::AutoFrames;
    ConfirmAndCapture(mode);
}

void CaptureCommands::ManualFrameAudioSequence() {
    CaptureEngineContract& e = main_.Engine();
    if (!SequenceIntoAvi()) return;
    SkipFailure([&] { e.PrepareCapture(CaptureMode::ManualFramesAudio); });
    if (AskToStartCapture(&main_) == PromptAnswer::Ok) {
        CapManSeqFrm window(e, [this](bool c) { main_.WriteCaptureStatus(c); }, &main_);
        window.gCaptureMode = CaptureMode::ManualFramesAudio;
        Prompts().ExecDialog(window);
    } else {
        SkipFailure([&] { e.EndCapture(); });
        main_.bRecordingShown = false;
        SkipFailure([&] { main_.ResetStatusBar(); });
    }
}

void CaptureCommands::AutomaticFrameAudioSequence() {
    CapAutoSeqFrm dialog(main_.Engine(), &main_);
    Prompts().ExecDialog(dialog);
    if (dialog.DialogResult != 1 || !SequenceIntoAvi()) return;
    SkipFailure([&] { main_.Engine().EndCapture(); });
    main_.bRecordingShown = false;
    int16_t mode = CaptureMode::AutoFramesAudio;
    ConfirmAndCapture(mode);
}

void CaptureCommands::StillPicture() {
    BusyPointer busy;
    try {
        const engine::StillPicture pic = main_.Engine().StillPictureHandle();
        // A picture whose rows do not fit its buffer is refused rather than read past the end.
        if (pic.IsNull() || pic.Stride < pic.Width * 4 ||
            pic.Pixels.size() < size_t(pic.Stride) * size_t(pic.Height))
            return;
        const QImage image = QImage(pic.Pixels.data(), pic.Width, pic.Height, pic.Stride, QImage::Format_RGB32).copy();
        // The clipboard owns the data; other programs paste it as PNG or BMP.
        auto* mime = new QMimeData;
        mime->setImageData(image);
        for (const char* fmt : {"PNG", "BMP"}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, fmt);
            mime->setData(fmt[0] == 'P' ? QStringLiteral("image/png") : QStringLiteral("image/bmp"), bytes);
        }
        QApplication::clipboard()->setMimeData(mime);
    } catch (const std::exception&) {
        // Like the clipboard calls themselves, a picture that cannot be had is not reported.
    }
}

void CaptureCommands::MinimizeOnCapture() {
    QAction* mins = main_.Menus().Mins;
    const bool on = !mins->isChecked();
    mins->setChecked(on);
    bWindowsDown = on;
    if (gSettings) gSettings->SaveSetting(gSection, QStringLiteral("WindowsDown"), BooleanText(on));
}

void CaptureCommands::StopCapture() {
    SkipFailure([&] { main_.Engine().EndCapture(); });
    SkipFailure([&] { main_.ResetStatusBar(); });
    main_.bRecordingShown = false;
    // The final summary stays visible after a stop.
    SkipFailure([&] { main_.WriteCaptureStatus(true); });
}

}  // namespace pelta
