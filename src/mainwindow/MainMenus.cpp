#include "mainwindow/MainMenus.h"

namespace pelta {

namespace {

QAction* Item(QMenu* parent, const char* name, const QString& caption, bool checkable = false) {
    auto* a = parent->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(checkable);
    return a;
}

QMenu* Sub(QMenu* parent, const char* name, const QString& caption) {
    auto* m = parent->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

QMenu* Top(QMenuBar* bar, const char* name, const QString& caption) {
    auto* m = bar->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

void MakeList(ListMenu& list, QMenu* parent, const char* name, const QString& caption,
              const QString& element0) {
    list.Menu = Sub(parent, name, caption);
    list.All.clear();
    auto* first = list.AddElement(QString::fromLatin1(name) + QStringLiteral("All"));
    first->setText(element0);
}

}  // namespace

QAction* ListMenu::AddElement(const QString& objectName) {
    auto* a = Menu->addAction(QString());
    a->setObjectName(objectName);
    a->setCheckable(true);
    a->setProperty("Index", static_cast<int>(All.size()));
    All.push_back(a);
    return a;
}

void ListMenu::RemoveAbove(size_t keep) {
    while (All.size() > keep) {
        QAction* a = All.back();
        All.pop_back();
        Menu->removeAction(a);
        a->deleteLater();
    }
}

void ConnectCommand(QAction* item, QObject* context, std::function<void()> handler) {
    QObject::connect(item, &QAction::triggered, context, [item, handler = std::move(handler)](bool) {
        if (item->isCheckable()) {
            const QSignalBlocker block(item);
            item->setChecked(!item->isChecked());
        }
        handler();
    });
}

void SetTag(QAction* item, const QString& tag) { item->setData(tag); }
QString Tag(const QAction* item) { return item->data().toString(); }

void BuildMainMenuBar(QMenuBar* bar, MainMenus& m) {
    m.menuFile = Top(bar, "menuFile", QStringLiteral("&File"));
    m.menuFileAllocCaptureFile = Item(m.menuFile, "menuFileAllocCaptureFile", QStringLiteral("Allocate  &Capture File..."));
    m.menuFileSaveCapturedVideoAs = Item(m.menuFile, "menuFileSaveCapturedVideoAs", QStringLiteral("&Save Captured Video As..."));
    m.menuAUTO = Item(m.menuFile, "menuAUTO", QStringLiteral("&Automatically Name Captures"), true);
    m.menuAUTODir = Item(m.menuFile, "menuAUTODir", QStringLiteral("Select &Folder for Auto Captures..."));
    m.menuAUTODir->setEnabled(false);
    m.menuTopWindow = Item(m.menuFile, "menuTopWindow", QStringLiteral("Make Auto Buttons &Top Window"), true);
    m.menuFile->addSeparator();
    m.menuFileExit = Item(m.menuFile, "menuFileExit", QStringLiteral("E&xit"));

    m.menuView = Top(bar, "menuView", QStringLiteral("&View"));
    m.menuViewFittoWindow = Item(m.menuView, "menuViewFittoWindow", QStringLiteral("&Fit to Window"), true);
    m.menuViewStretchtoWindow = Item(m.menuView, "menuViewStretchtoWindow", QStringLiteral("St&retch to Window"), true);
    m.menuView50 = Item(m.menuView, "menuView50", QStringLiteral("&50%"), true);
    m.menuView75 = Item(m.menuView, "menuView75", QStringLiteral("&75%"), true);
    m.menuView100 = Item(m.menuView, "menuView100", QStringLiteral("&100%"), true);
    m.menuView200 = Item(m.menuView, "menuView200", QStringLiteral("&200%"), true);
    m.menuView->addSeparator();
    m.menuViewFullScreen = Item(m.menuView, "menuViewFullScreen", QStringLiteral("F&ull Screen"), true);
    m.menuViewFullScreen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m.menuViewFullScreen->setShortcutContext(Qt::ApplicationShortcut);

    m.menuOptions = Top(bar, "menuOptions", QStringLiteral("&Options"));
    MakeList(m.menuOptionsVideoDevice, m.menuOptions, "menuOptionsVideoDevice", QStringLiteral("Video &Device"), QStringLiteral("None"));
    MakeList(m.menuOptionsAudioDevice, m.menuOptions, "menuOptionsAudioDevice", QStringLiteral("Audio De&vice"), QStringLiteral("None"));
    m.menuOptions->addSeparator();
    m.menuOptionsPreview = Sub(m.menuOptions, "menuOptionsPreview", QStringLiteral("Previe&w"));
    m.menuOptionsPreviewEnablePreview = Item(m.menuOptionsPreview, "menuOptionsPreviewEnablePreview", QStringLiteral("&Enable Preview"), true);
    m.menuOptionsPreviewPreviewSource = Sub(m.menuOptionsPreview, "menuOptionsPreviewPreviewSource", QStringLiteral("Preview &Source"));
    m.menuOptionsPreviewPreviewSourceVideoandAudio = Item(m.menuOptionsPreviewPreviewSource, "menuOptionsPreviewPreviewSourceVideoandAudio", QStringLiteral("Video and Audio"), true);
    m.menuOptionsPreviewPreviewSourceVideoonly = Item(m.menuOptionsPreviewPreviewSource, "menuOptionsPreviewPreviewSourceVideoonly", QStringLiteral("Video only"), true);
    m.menuOptionsPreviewPreviewSourceAudioonly = Item(m.menuOptionsPreviewPreviewSource, "menuOptionsPreviewPreviewSourceAudioonly", QStringLiteral("Audio only"), true);
    m.menuOptionsPreview->addSeparator();
    MakeList(m.menuOptionsPreviewAudioRenderer, m.menuOptionsPreview, "menuOptionsPreviewAudioRenderer", QStringLiteral("&Audio Renderer"), QStringLiteral("Default"));
    m.menuOptionsPreview->addSeparator();
    m.menuOptionsPreviewDisableWhileEditingProperties = Item(m.menuOptionsPreview, "menuOptionsPreviewDisableWhileEditingProperties", QStringLiteral("&Disable While Editing Properties"), true);
    m.menuOptionsPreviewPreviewTap = Sub(m.menuOptionsPreview, "menuOptionsPreviewPreviewTap", QStringLiteral("Preview &Tap"));
    m.menuOptionsPreviewPreviewTapSource = Item(m.menuOptionsPreviewPreviewTap, "menuOptionsPreviewPreviewTapSource", QStringLiteral("&Source"), true);
    m.menuOptionsPreviewPreviewTapProcessors = Item(m.menuOptionsPreviewPreviewTap, "menuOptionsPreviewPreviewTapProcessors", QStringLiteral("&Processors"), true);
    m.menuOptionsPreviewPreviewTapCompressor = Item(m.menuOptionsPreviewPreviewTap, "menuOptionsPreviewPreviewTapCompressor", QStringLiteral("&Compressor"), true);
    m.menuOptions->addSeparator();
    MakeList(m.menuOptionsVideoCompressor, m.menuOptions, "menuOptionsVideoCompressor", QStringLiteral("V&ideo Compressor"), QStringLiteral("None"));
    MakeList(m.menuOptionsAudioCompressor, m.menuOptions, "menuOptionsAudioCompressor", QStringLiteral("A&udio Compressor"), QStringLiteral("None"));
    m.menuOptions->addSeparator();
    m.menuOptionsCloseCaptioning = Item(m.menuOptions, "menuOptionsCloseCaptioning", QStringLiteral("Close Captionin&g"), true);
    m.menuOptions->addSeparator();
    MakeList(m.menuOptionsVideoCaptureSize, m.menuOptions, "menuOptionsVideoCaptureSize", QStringLiteral("Video Capture &Size"), QStringLiteral("DUMMY"));
    m.menuOptionsCaptureProperties = Item(m.menuOptions, "menuOptionsCaptureProperties", QStringLiteral("Ca&pture Properties..."));
    m.menuOptionsPreviewProperties = Item(m.menuOptions, "menuOptionsPreviewProperties", QStringLiteral("P&review Properties..."));
    m.menuOptionsVideoCompressorProperties = Item(m.menuOptions, "menuOptionsVideoCompressorProperties", QStringLiteral("Video C&ompressor Properties..."));
    m.menuOptionsAudioCompressorProperties = Item(m.menuOptions, "menuOptionsAudioCompressorProperties", QStringLiteral("Audio Compressor Properties..."));
    m.menuOptionsLegacyProperties = Sub(m.menuOptions, "menuOptionsLegacyProperties", QStringLiteral("&Legacy Properties"));
    m.menuOptionsLegacyPropertiesVideoSource = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesVideoSource", QStringLiteral("Video &Source..."));
    m.menuOptionsLegacyPropertiesVideoFormat = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesVideoFormat", QStringLiteral("Video &Format..."));
    m.menuOptionsLegacyPropertiesVideoDisplay = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesVideoDisplay", QStringLiteral("Video &Display..."));
    m.menuOptionsLegacyPropertiesAudioFormat = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesAudioFormat", QStringLiteral("&Audio Format..."));
    m.menuOptions->addSeparator();
    m.menuOptionsAudioProcessors = Item(m.menuOptions, "menuOptionsAudioProcessors", QStringLiteral("Audio Pro&cessors..."));
    m.menuOptionsVideoProcessors = Item(m.menuOptions, "menuOptionsVideoProcessors", QStringLiteral("Video Proc&essors..."));

    m.menuCapture = Top(bar, "menuCapture", QStringLiteral("&Capture"));
    m.menuCaptureVideoandAudio = Item(m.menuCapture, "menuCaptureVideoandAudio", QStringLiteral("&Video and Audio Captures..."));
    m.menuCapture->addSeparator();
    m.menuCaptureManualFrameSequence = Item(m.menuCapture, "menuCaptureManualFrameSequence", QStringLiteral("&Manual Frame Sequence..."));
    m.menuCaptureAutomaticFrameSequence = Item(m.menuCapture, "menuCaptureAutomaticFrameSequence", QStringLiteral("&Automatic Frame Sequence..."));
    m.menuCaptureManualFrameAudioSequence = Item(m.menuCapture, "menuCaptureManualFrameAudioSequence", QStringLiteral("&Manual Frame and Audio Sequence..."));
    m.menuCaptureAutomaticFrameAudioSequence = Item(m.menuCapture, "menuCaptureAutomaticFrameAudioSequence", QStringLiteral("&Automatic Frame and Audio Sequence..."));
    m.menuCapture->addSeparator();
    m.menuCaptureStillPictureClipboard = Item(m.menuCapture, "menuCaptureStillPictureClipboard", QStringLiteral("&Still Picture (Clipboard)"));
    m.menuCapture->addSeparator();
    m.Mins = Item(m.menuCapture, "Mins", QStringLiteral("Minimi&ze on Capture"), true);
    m.menuCaptureStopCapture = Item(m.menuCapture, "menuCaptureStopCapture", QStringLiteral("Sto&p and Save Capture"));

    m.menuHelp = Top(bar, "menuHelp", QStringLiteral("&Help"));
    m.menuHelpAbout = Item(m.menuHelp, "menuHelpAbout", QStringLiteral("&About Quillmere Capture..."));
}

}  // namespace pelta
