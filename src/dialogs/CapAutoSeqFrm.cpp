#include "dialogs/CapAutoSeqFrm.h"
#include "controls/EngineWords.h"

#include "controls/Prompts.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/DialogChrome.h"
#include "infowindows/ElasticPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <tuple>

namespace pelta {

namespace {
QString Number(double v) { return QString::number(v, 'g', 15); }
}  // namespace

CapAutoSeqFrm::CapAutoSeqFrm(engine::CaptureEngineContract& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
    setObjectName(QStringLiteral("CapAutoSeqFrm"));
    resize(300, 150);
    chrome_ = new DialogChrome(this, tr("Pelta-RX Frame Sequence"));
    // The chrome gives the window its title label's text; this window's caption differs.
    setWindowTitle(tr("Capture Automatic Frame Sequence"));
    QWidget* panel = chrome_->Panel();
    auto* label1 = MakeLabel(panel, QStringLiteral("Label1"), tr("Frame &Delay:"), {12, 40, 90, 20});
    edtFrameDelay = MakeControl<QLineEdit>(panel, QStringLiteral("edtFrameDelay"), {110, 38, 80, 22});
    label1->setBuddy(edtFrameDelay);
    MakeLabel(panel, QStringLiteral("Label2"), tr("sec"), {196, 40, 30, 20});
    chkUseTimeLimit = MakeControl<QCheckBox>(panel, QStringLiteral("chkUseTimeLimit"), {12, 72, 18, 20});
    MakeLabel(panel, QStringLiteral("Label4"), tr("Time Limit:"), {32, 72, 76, 20});
    edtTimeLimit = MakeControl<QLineEdit>(panel, QStringLiteral("edtTimeLimit"), {110, 70, 80, 22});
    MakeLabel(panel, QStringLiteral("Label3"), tr("sec"), {196, 72, 30, 20});
    std::tie(btnOK, btnCancel) = MakeOkCancel(panel, {120, 112}, {205, 112});

    edtFrameDelay->installEventFilter(this);
    edtTimeLimit->installEventFilter(this);
    connect(edtFrameDelay, &QLineEdit::textChanged, this, &CapAutoSeqFrm::CheckOKButton);
    connect(edtTimeLimit, &QLineEdit::textChanged, this, [this] {
        if (chkUseTimeLimit->isChecked()) CheckOKButton();
    });
    connect(chkUseTimeLimit, &QCheckBox::toggled, this, &CapAutoSeqFrm::CheckOKButton);
    connect(btnOK, &xpcmdbutton::Click, this, &CapAutoSeqFrm::OKClick);
    connect(btnCancel, &xpcmdbutton::Click, this, [this] { done(QDialog::Rejected); });
    Load();
}

void CapAutoSeqFrm::Load() {
    DialogResult = 2;
    CheckOKButton();
    try {
        edtTimeLimit->setText(Number(engine_.TimeLimitSeconds()));
    } catch (const std::exception&) {
    }
    try {
        edtFrameDelay->setText(Number(engine_.FrameGapSeconds()));
    } catch (const std::exception&) {
    }
    try {
        chkUseTimeLimit->setChecked(engine_.TimeLimitOn());
    } catch (const std::exception&) {
    }
}

void CapAutoSeqFrm::CheckOKButton() {
    const bool delay = !edtFrameDelay->text().isEmpty();
    btnOK->SetEnabled(chkUseTimeLimit->isChecked() ? delay && !edtTimeLimit->text().isEmpty() : delay);
}

void CapAutoSeqFrm::OKClick() {
    // Pasted text is not filtered: a box that is not a number is named and nothing is written.
    bool delayOk = false, limitOk = true;
    const double delay = edtFrameDelay->text().toDouble(&delayOk);
    double limit = 0;
    if (chkUseTimeLimit->isChecked()) limit = edtTimeLimit->text().toDouble(&limitOk);
    if (!delayOk || !limitOk) {
        Prompts().Message(this,
                          !delayOk ? tr("Frame Delay must be a number of seconds.")
                                   : tr("Time Limit must be a number of seconds."),
                          ApplicationTitle(), PromptButtons::Ok);
        return;
    }
    // A sequence needs time between its frames; saying so beats keeping the old delay.
    if (!(delay > 0)) {
        Prompts().Message(this, tr("Frame Delay must be more than 0 seconds."), ApplicationTitle(),
                          PromptButtons::Ok);
        return;
    }
    // An engine that refuses a value is reported, and the dialog stays open.
    try {
        engine_.SetFrameGapSeconds(delay);
        if (chkUseTimeLimit->isChecked()) engine_.SetTimeLimitSeconds(limit);
        engine_.SetTimeLimitOn(chkUseTimeLimit->isChecked());
    } catch (const std::exception& e) {
        Prompts().Message(this, EngineErrorText(std::string(e.what())), ApplicationTitle(), PromptButtons::Ok);
        return;
    }
    DialogResult = 1;
    done(QDialog::Accepted);
}

bool CapAutoSeqFrm::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == edtFrameDelay || watched == edtTimeLimit) && DropsNonDigitKey(event)) return true;
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelta
