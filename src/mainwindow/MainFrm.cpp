#include "mainwindow/MainFrm.h"
#include "controls/EngineWords.h"
#include "controls/ScreenReader.h"

#include "controls/SkipFailure.h"

#include "controls/Prompts.h"
#include "mainwindow/CaptureCommands.h"
#include "mainwindow/FileMenu.h"
#include "mainwindow/StatusBarPanels.h"
#include "mainwindow/StatusText.h"
#include "menus/OptionsMenus.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <cmath>
#include <exception>

#include "infowindows/AboutFrm.h"

namespace pelta {

namespace {

MainFrm* gMainFrm = nullptr;
constexpr int kStatusBarHeight = 26;  // 390 twips

}  // namespace

MainFrm::MainFrm(EngineFactory factory, QWidget* parent) : QMainWindow(parent) {
    gMainFrm = this;
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(tr("Pelta-RX - Quillmere") + QString(53, u' ') + tr("Capture"));
    // The blanks centre the caption on the title bar; a screen reader reads the words.
    setAccessibleName(tr("Pelta-RX - Quillmere") + u' ' + tr("Capture"));
    BuildMainMenuBar(menuBar(), menus_);

    // The client area holds the engine's window and the status bar, laid out by resizeEvent.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("MainFrmClient"));
    setCentralWidget(client);
    const EngineBinding binding = factory(client);
    engineWidget_ = binding.Widget;
    if (engineWidget_) {
        engineWidget_->setProperty(kRoleProperty, int(QAccessible::Graphic));
        engineWidget_->setAccessibleName(tr("Preview"));
        // An interface made before the role was set is made again.
        if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(engineWidget_))
            if (a->role() != QAccessible::Graphic) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(a));
    }
    engine_ = binding.Engine;
    restoreEngineChoices_ = binding.RestoreChoices;
    sbMain_ = new StatusBarPanels(client);
    connect(sbMain_, &StatusBarPanels::PanelClicked, this, [this](int i) {
        // A click on "Recording ..." or "Ready" tells where the latest automatic capture went.
        SkipFailure([&] {
            StatusPanel& p = sbMain_->Panel(i);
            if (p.Text == tr("Recording ...") || p.Text == tr("Ready")) p.ToolTipText = sAutoFileName;
        });
    });
    client->installEventFilter(this);

    options_ = std::make_unique<OptionsMenus>(menus_, *engine_, this,
                                              [this](int panel, const QString& text) { SetPanelText(panel, text); });
    capture_ = std::make_unique<CaptureCommands>(*this);
    file_ = std::make_unique<FileMenu>(*this);
    options_->ConnectCommands();
    capture_->ConnectCommands();
    file_->ConnectCommands();
    ConnectCommand(menus_.menuHelpAbout, this, [this] {
        AboutFrm about(this);
        Prompts().ExecDialog(about);
    });
    engine_->SetEventSink(this);
    resize(537, 284 + menuBar()->sizeHint().height());
}

MainFrm::~MainFrm() {
    if (engine_) engine_->SetEventSink(nullptr);
    if (gMainFrm == this) gMainFrm = nullptr;
}

MainFrm* MainFrm::Instance() { return gMainFrm; }

void MainFrm::Load() {
    SkipFailure([&] { ResetStatusBar(); });
    SkipFailure([] { CreateProgramSettings(); });
    const SettingsSnapshot prefs(*gSettings, gSection);  // one read of the store for the preferences
    SkipFailure([&] {
        prefs.ReadBoolean(QStringLiteral("AutoName"), bAutoName);
        if (bAutoName) {
            menus_.menuAUTO->setChecked(true);
            menus_.menuAUTODir->setEnabled(true);
        }
    });
    SkipFailure([&] {
        prefs.ReadBoolean(QStringLiteral("TopWindow"), bTopWindow);
        if (bTopWindow) menus_.menuTopWindow->setChecked(true);
    });
    SkipFailure([&] {
        prefs.ReadBoolean(QStringLiteral("WindowsDown"), bWindowsDown);
        if (bWindowsDown) menus_.Mins->setChecked(true);
    });
    SkipFailure([&] { prefs.ReadBoolean(QStringLiteral("AddTime"), bAddTime); });
    SkipFailure([&] { sExt = prefs.Get(QStringLiteral("Ext"), QStringLiteral(".avi")); });
    SkipFailure([&] { options_->BuildDeviceMenu(); });
    // The engine's remembered devices, once the menu has put the first ones in use.
    SkipFailure([&] {
        if (restoreEngineChoices_) restoreEngineChoices_();
    });
    SkipFailure([&] { options_->BuildCompressorMenu(); });
    SkipFailure([&] { options_->BuildRendererMenu(); });
    SkipFailure([&] { options_->WriteDeviceStatus(); });
    SkipFailure([&] { options_->BuildVideoSizeMenu(); });
    SkipFailure([&] { engine_->SetPreviewFit(2); });
    SkipFailure([&] { engine_->SetPreviewOn(true); });
    SkipFailure([&] { options_->UpdateMenuStatus(); });
    SkipFailure([&] { options_->FillRestrictedLists(); });
    SkipFailure([&] { raise(); });
}

void MainFrm::SetPanelText(int panel, const QString& text) {
    if (panel < 1 || panel > sbMain_->Count()) return;
    sbMain_->Panel(panel).Text = text;
    sbMain_->Changed();
}

QString MainFrm::PanelText(int panel) const {
    if (panel < 1 || panel > sbMain_->Count()) return {};
    return sbMain_->Panel(panel).Text;
}

void MainFrm::ResetStatusBar() {
    // Six fresh panels: three texts, then the Caps, Num and Scroll Lock indicators.
    static const int widths[6] = {3520, 2300, 2500, 600, 600, 600};
    static const PanelStyle styles[6] = {PanelStyle::Text,     PanelStyle::Text,    PanelStyle::Text,
                                         PanelStyle::CapsLock, PanelStyle::NumLock, PanelStyle::ScrollLock};
    sbMain_->Clear();
    for (int i = 1; i <= 6; ++i) {
        sbMain_->Add();
        StatusPanel& p = sbMain_->Panel(i);
        p.Alignment = Qt::AlignLeft;
        p.WidthTwips = widths[i - 1];
        p.Style = styles[i - 1];
    }
    SkipFailure([&] { options_->WriteDeviceStatus(); });
}

void MainFrm::WriteCaptureStatus(bool bCompleted) {
    int32_t dropped = 0, captured = 0, frameBytes = 0;
    double secs = 0, fps = 0, rate = 0;
    SkipFailure([&] { dropped = engine_->FramesDropped(); });
    SkipFailure([&] { captured = engine_->FramesCaptured(); });
    SkipFailure([&] { secs = engine_->ElapsedSeconds(); });
    SkipFailure([&] { frameBytes = engine_->MeanFrameBytes(); });
    int64_t fileBytes = 0;
    if (bCompleted) SkipFailure([&] { fileBytes = engine_->FileBytesWritten(); });
    // Rounded for reading: the panel is narrow, and its tool tip shows the whole text.
    QString text = tr("Captured %1 frames in %2 sec (%3 dropped)")
                       .arg(NumberText(int64_t(captured)), ReadableNumberText(secs), NumberText(int64_t(dropped)));
    if (bCompleted) {
        // A division by zero time fails that step, leaving both rates at 0.
        if (secs != 0) {
            fps = captured / secs;
            // Everything the file took (sound, headers, index too) once the engine has
            // counted it; until the file is finished, the pictures' mean size.
            rate = fileBytes > 0 ? fileBytes / secs / 1000000.0 : frameBytes * fps / 1000000.0;
        }
        text += tr(": %1 fps %2 MB/sec").arg(ReadableNumberText(fps), ReadableNumberText(rate));
    }
    SetPanelText(1, text);
}

QString MainFrm::GetFormatName(const QString& Code) {
    bool ok = false;
    const double v = Code.trimmed().toDouble(&ok);
    // Only the whole numbers 0 to 11 name a format.
    if (!ok || !(v >= 0 && v <= 11) || v != std::floor(v)) return {};
    return QString::fromLatin1(engine::OutputFormat::Name(int32_t(v)));
}

void MainFrm::UnloadOtherForms(const QString& FormName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || qobject_cast<QMenu*>(w) || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
            continue;
        if (w->objectName() == FormName) continue;
        SkipFailure([&] {
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->reject();
            w->close();
        });
    }
}

void MainFrm::DoCaptureAuto(int16_t& nMode) { capture_->DoCaptureAuto(nMode); }

void MainFrm::WindowKeyDown(int16_t& KeyCode, int16_t) {
    SkipFailure([&] {
        if (KeyCode == 27 && engine_->FullScreenOn()) options_->FullScreenCommand();
    });
}

void MainFrm::CaptureEnded() {
    // A capture that ended by itself (time limit, full disk) last showed a progress event
    // from shortly before its end: the panels still laid out for it get the final counts.
    if (bRecordingShown) WriteProgressCounts();
    // A stop returns before the file is finished: the summary it wrote then is brought to
    // the final counts here.
    if (summaryOwed_) WriteCaptureStatus(true);
    bRecordingShown = false;
    summaryOwed_ = false;
    SkipFailure([&] {
        if (bWindowsDown) showNormal();
    });
    SetPanelText(3, tr("Ready"));
    SkipFailure([&] {
        if (bAutoName && OnCaptureEndedAutoButtons) OnCaptureEndedAutoButtons();
    });
}

void MainFrm::DevicesSettled(const std::string& refusal) { options_->DevicesSettled(refusal); }

void MainFrm::CaptureError(int32_t ErrorCode) {
    // The code is the message; the engine's words (which file or device, what the system
    // said) unfold below it.
    QString detail;
    SkipFailure([&] { detail = EngineErrorText(engine_->LastErrorText()); });
    // Said at once, before the message box takes the focus.
    if (QAccessible::isActive()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
    Prompts().DetailedMessage(this, tr(" Error %1 occurred.").arg(ErrorCode),
                              ApplicationTitle(), detail);
}

void MainFrm::CaptureProgress(int32_t) {
    if (!bRecordingShown) {
        SkipFailure([&] {
            sbMain_->Panel(5).WidthTwips = 3600;
            sbMain_->Panel(5).Text = tr("Format: ") + GetFormatName(QString::number(engine_->OutputFormat()));
        });
        SkipFailure([&] {
            sbMain_->Panel(3).WidthTwips = 2700;
            sbMain_->Panel(3).Text = tr("Recording ...");
        });
    }
    WriteProgressCounts();
    WriteCaptureStatus(false);
    bRecordingShown = true;
    summaryOwed_ = true;
    sbMain_->Changed();
}

void MainFrm::WriteProgressCounts() {
    SkipFailure([&] { SetPanelText(2, tr("Not Dropped ") + QString::number(engine_->FramesCaptured())); });
    SkipFailure([&] { sbMain_->Panel(4).WidthTwips = 1600; });
    SkipFailure([&] {
        const int32_t mode = engine_->ActiveMode();
        if (mode == engine::CaptureMode::StillPicture || mode == engine::CaptureMode::ManualFrames) {
            SetPanelText(4, QString());
        } else {
            sCaptureTime = ReadableNumberText(engine_->ElapsedSeconds());
            SetPanelText(4, tr("Time: ") + sCaptureTime);
        }
    });
}

bool MainFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) LayoutEngineWindow();
    return QMainWindow::eventFilter(watched, event);
}

void MainFrm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayoutEngineWindow();
}

void MainFrm::LayoutEngineWindow() {
    QWidget* client = centralWidget();
    if (!client) return;
    sbMain_->setGeometry(0, client->height() - kStatusBarHeight, client->width(), kStatusBarHeight);
    const int h = client->height() - kStatusBarHeight;
    if (h > 0 && engineWidget_) engineWidget_->setGeometry(0, 0, client->width(), h);
}

void MainFrm::closeEvent(QCloseEvent* event) {
    SkipFailure([&] { UnloadOtherForms(QStringLiteral("MainFrm")); });
    SkipFailure([&] { engine_->EndCapture(); });
    SkipFailure([&] { WriteCaptureStatus(true); });
    event->accept();  // the close is never cancelled
}

}  // namespace pelta
