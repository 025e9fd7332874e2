#include "dialogs/CapManSeqFrm.h"
#include "controls/EngineWords.h"

#include "controls/Prompts.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/DialogChrome.h"
#include "infowindows/ElasticPanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace pelta {

CapManSeqFrm::CapManSeqFrm(engine::CaptureEngineContract& engine, std::function<void(bool)> writeStatus,
                           QWidget* parent)
    : QDialog(parent), engine_(engine), writeStatus_(std::move(writeStatus)) {
    setObjectName(QStringLiteral("CapManSeqFrm"));
    setWindowTitle(tr("Manual Frame Sequence"));
    resize(330, 150);
    chrome_ = new DialogChrome(this, tr("Pelta-RX Manual Frame Sequence"));
    QWidget* panel = chrome_->Panel();
    auto* label1 = MakeLabel(panel, QStringLiteral("Label1"),
                             tr("Press \"Capture Frame\" to add a video frame to the sequence."),
                             {12, 34, 306, 32});
    label1->setWordWrap(true);
    MakeLabel(panel, QStringLiteral("Label2"), tr("Video frames captured:"), {12, 76, 150, 20});
    edtFrameCount = MakeControl<QLineEdit>(panel, QStringLiteral("edtFrameCount"), {166, 74, 80, 22});
    edtFrameCount->setText(QStringLiteral("0"));
    edtFrameCount->setReadOnly(true);  // the window writes it; the user only reads it
    btnCapture = MakeButton(panel, QStringLiteral("btnCapture"), tr("Capture Frame"), {100, 112, 100, 25});
    btnCapture->SetDefault(true);
    btnStop = MakeButton(panel, QStringLiteral("btnStop"), tr("Stop Capture"), {210, 112, 100, 25});
    connect(btnCapture, &xpcmdbutton::Click, this, &CapManSeqFrm::CaptureFrameClick);
    connect(btnStop, &xpcmdbutton::Click, this, &CapManSeqFrm::StopClick);
}

void CapManSeqFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_) Load();
}

void CapManSeqFrm::Load() {
    loaded_ = true;
    try {
        engine_.SetTimeLimitOn(false);
    } catch (const std::exception&) {
    }
    try {
        engine_.BeginCapture(gCaptureMode);
        began_ = true;
    } catch (const std::exception& e) {
        // Without a running sequence the buttons would do nothing, silently: say why, and
        // close once the message is read (not from inside the showing itself).
        btnCapture->SetEnabled(false);
        Prompts().Message(this, EngineErrorText(std::string(e.what())), ApplicationTitle(), PromptButtons::Ok);
        QTimer::singleShot(0, this, [this] { done(QDialog::Rejected); });
    }
    edtFrameCount->setText(QStringLiteral("0"));
}

void CapManSeqFrm::CaptureFrameClick() {
    try {
        engine_.GrabFrame();
        // The true count, also past 32,767.
        edtFrameCount->setText(QString::number(engine_.FramesCaptured()));
        if (writeStatus_) writeStatus_(false);
    } catch (const std::exception&) {
        // A refused grab leaves the count as it was.
    }
}

void CapManSeqFrm::StopClick() {
    try {
        engine_.EndCapture();
    } catch (const std::exception&) {
    }
    if (writeStatus_ && began_) writeStatus_(false);
    done(QDialog::Accepted);
}

void CapManSeqFrm::done(int r) {
    Unload();
    QDialog::done(r);
}

void CapManSeqFrm::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    try {
        engine_.EndCapture();
    } catch (const std::exception&) {
    }
    // A sequence that never began has no summary: the last capture's would read as this one's.
    if (writeStatus_ && began_) writeStatus_(false);
}

}  // namespace pelta
