#include "autocapture/Buttons.h"

#include "controls/Twips.h"

#include "controls/SkipFailure.h"

#include "autocapture/AutoNaming.h"
#include "controls/Prompts.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/Pelxbas.h"
#include "mainwindow/MainFrm.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QWindow>

namespace pelta {

namespace {
QPointer<Buttons> gButtons;
}  // namespace

Buttons* ButtonsWindow(bool loadIfNeeded) {
    if (!gButtons && loadIfNeeded) gButtons = new Buttons();
    return gButtons;
}

Buttons::Buttons(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Buttons"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(TwipsToPixels(3135), TwipsToPixels(375));
    xpcmdbutton1 = new xpcmdbutton(this, QStringLiteral("xpcmdbutton1"));
    xpcmdbutton1->SetCaption(tr("Capture"));
    xpcmdbutton1->setGeometry(0, 0, TwipsToPixels(975), TwipsToPixels(375));
    xpcmdbutton2 = new xpcmdbutton(this, QStringLiteral("xpcmdbutton2"));
    xpcmdbutton2->SetCaption(tr("Stop"));
    xpcmdbutton2->setGeometry(TwipsToPixels(1080), 0, TwipsToPixels(975), TwipsToPixels(375));
    xpcmdbutton2->SetEnabled(false);
    xpcmdbutton3 = new xpcmdbutton(this, QStringLiteral("xpcmdbutton3"));
    xpcmdbutton3->SetCaption(tr("Cancel"));
    xpcmdbutton3->setGeometry(TwipsToPixels(2160), 0, TwipsToPixels(975), TwipsToPixels(375));
    connect(xpcmdbutton1, &xpcmdbutton::Click, this, &Buttons::CaptureClick);
    connect(xpcmdbutton2, &xpcmdbutton::Click, this, &Buttons::StopClick);
    connect(xpcmdbutton3, &xpcmdbutton::Click, this, &Buttons::CancelClick);
    Load();
}

Buttons::~Buttons() {
    ReleaseAutoName(unusedClaim_);
    if (gButtons == this) gButtons = nullptr;
}

void Buttons::Load() {
    if (gSettings) {
        const SettingsSnapshot prefs(*gSettings, gSection);
        prefs.ReadBoolean(QStringLiteral("AutoName"), bAutoName);
        sAutoSaveDir = prefs.Get(QStringLiteral("AutoSaveDir"), QString());
        sExt = prefs.Get(QStringLiteral("Ext"), QStringLiteral(".avi"));
        prefs.ReadBoolean(QStringLiteral("AddTime"), bAddTime);
        prefs.ReadBoolean(QStringLiteral("TopWindow"), bTopWindow);
    }
    xpcmdbutton2->SetEnabled(false);
    xpcmdbutton1->SetState(1);
    setWindowFlag(Qt::WindowStaysOnTopHint, bTopWindow);
}

void Buttons::DoAutoCaptures(int16_t nMode) {
    nSavedMode = nMode;
    if (!bAutoName) {
        close();
        return;
    }
    SkipFailure([] {
        const SettingsSnapshot prefs(*gSettings, gSection);
        sExt = prefs.Get(QStringLiteral("Ext"), QStringLiteral(".avi"));
        prefs.ReadBoolean(QStringLiteral("AddTime"), bAddTime);
    });
    // The name is claimed as it is chosen, so another copy of the program never takes it too.
    ReleaseAutoName(unusedClaim_);
    unusedClaim_.clear();
    const auto next = NextAutoName(AutoCaptureFolder(sAutoSaveDir), AutoCaptureExt(nSavedMode, sExt), bAddTime,
                                   Today(), nAutoCount, [](const QString& p) { return FileExists(p); }, ClaimAutoName);
    if (!next) {
        // Every number is taken: say so rather than wrap round onto an earlier capture.
        Prompts().Message(this,
                          tr("Every automatic name up to Auto-%1 is taken in %2. Choose another folder for "
                             "automatic captures.")
                              .arg(kAutoCountLimit)
                              .arg(sAutoSaveDir),
                          ApplicationTitle(), PromptButtons::Ok);
        return;
    }
    nAutoCount = static_cast<int16_t>(next->Number);
    sAutoFileName = next->Path;
    if (bAddTime) xpcmdbutton2->setToolTip(sAutoFileName);
    unusedClaim_ = sAutoFileName;  // until a capture takes the file over
    if (MainFrm* main = MainFrm::Instance()) main->DoCaptureAuto(nSavedMode);
}

void Buttons::CaptureClick() {
    QPointer<Buttons> self(this);
    DoAutoCaptures(nSavedMode);
    if (!self) return;  // naming was switched off: the window closed
    xpcmdbutton1->SetEnabled(false);
    xpcmdbutton2->SetEnabled(true);
    xpcmdbutton2->SetState(1);
}

void Buttons::ReadyForCapture() {
    xpcmdbutton1->SetEnabled(true);
    xpcmdbutton2->SetEnabled(false);
}

void Buttons::StopClick() {
    ReadyForCapture();
    xpcmdbutton1->SetState(1);
    if (MainFrm* main = MainFrm::Instance()) {
        SkipFailure([&] { main->Engine().EndCapture(); });
        main->WriteCaptureStatus(true);
        // The engine finishes the file after the stop returns; a capture begun meanwhile
        // would be refused, so Capture waits for the end (CaptureEnded enables it).
        bool finishing = false;
        SkipFailure([&] { finishing = main->Engine().EngineState() == engine::EngineStateCode::Capturing; });
        if (finishing) xpcmdbutton1->SetEnabled(false);
    }
}

void Buttons::CancelClick() {
    FinishCapture();
    close();
}

void Buttons::FinishCapture() {
    if (MainFrm* main = MainFrm::Instance()) {
        SkipFailure([&] { main->Engine().EndCapture(); });
        main->WriteCaptureStatus(true);
    }
}

void Buttons::closeEvent(QCloseEvent* event) {
    // Closed by the window manager (or the main window) while capturing, the strip would
    // take the only Stop button with it: the capture is finished first, as Cancel does.
    bool capturing = false;
    if (MainFrm* main = MainFrm::Instance())
        SkipFailure([&] { capturing = main->Engine().EngineState() == engine::EngineStateCode::Capturing; });
    if (capturing) FinishCapture();
    QWidget::closeEvent(event);
}

void Buttons::Place() {
    // The work area stands in for the taskbar query: the window sits in its bottom-right
    // corner, above or beside whatever panels the desktop keeps.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
}

void Buttons::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Place();
}

void Buttons::mousePressEvent(QMouseEvent* event) {
    // The gaps between the buttons drag the window, as a title bar would.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) return;
    QWidget::mousePressEvent(event);
}

}  // namespace pelta
