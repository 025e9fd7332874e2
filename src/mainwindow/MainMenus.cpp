#include "mainwindow/MainMenus.h"

#include <QCoreApplication>

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
    m.menuFile = Top(bar, "menuFile", QCoreApplication::translate("MainMenus", "&File"));
    m.menuFileAllocCaptureFile = Item(m.menuFile, "menuFileAllocCaptureFile", QCoreApplication::translate("MainMenus", "Allocate  &Capture File..."));
    m.menuFileSaveCapturedVideoAs = Item(m.menuFile, "menuFileSaveCapturedVideoAs", QCoreApplication::translate("MainMenus", "&Save Captured Video As..."));
    m.menuAUTO = Item(m.menuFile, "menuAUTO", QCoreApplication::translate("MainMenus", "&Automatically Name Captures"), true);
    m.menuAUTODir = Item(m.menuFile, "menuAUTODir", QCoreApplication::translate("MainMenus", "Select &Folder for Auto Captures..."));
    m.menuAUTODir->setEnabled(false);
    m.menuTopWindow = Item(m.menuFile, "menuTopWindow", QCoreApplication::translate("MainMenus", "Make Auto Buttons &Top Window"), true);
    m.menuFile->addSeparator();
    m.menuFileExit = Item(m.menuFile, "menuFileExit", QCoreApplication::translate("MainMenus", "E&xit"));

    m.menuView = Top(bar, "menuView", QCoreApplication::translate("MainMenus", "&View"));
    m.menuViewFittoWindow = Item(m.menuView, "menuViewFittoWindow", QCoreApplication::translate("MainMenus", "&Fit to Window"), true);
    m.menuViewStretchtoWindow = Item(m.menuView, "menuViewStretchtoWindow", QCoreApplication::translate("MainMenus", "St&retch to Window"), true);
    m.menuView50 = Item(m.menuView, "menuView50", QCoreApplication::translate("MainMenus", "&50%"), true);
    m.menuView75 = Item(m.menuView, "menuView75", QCoreApplication::translate("MainMenus", "&75%"), true);
    m.menuView100 = Item(m.menuView, "menuView100", QCoreApplication::translate("MainMenus", "&100%"), true);
    m.menuView200 = Item(m.menuView, "menuView200", QCoreApplication::translate("MainMenus", "&200%"), true);
    m.menuView->addSeparator();
    m.menuViewFullScreen = Item(m.menuView, "menuViewFullScreen", QCoreApplication::translate("MainMenus", "F&ull Screen"), true);
    m.menuViewFullScreen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m.menuViewFullScreen->setShortcutContext(Qt::ApplicationShortcut);

    m.menuOptions = Top(bar, "menuOptions", QCoreApplication::translate("MainMenus", "&Options"));
    MakeList(m.menuOptionsVideoDevice, m.menuOptions, "menuOptionsVideoDevice", QCoreApplication::translate("MainMenus", "Video &Device"), QCoreApplication::translate("MainMenus", "None"));
    MakeList(m.menuOptionsAudioDevice, m.menuOptions, "menuOptionsAudioDevice", QCoreApplication::translate("MainMenus", "Audio De&vice"), QCoreApplication::translate("MainMenus", "None"));
    m.menuOptions->addSeparator();
    m.menuOptionsPreview = Sub(m.menuOptions, "menuOptionsPreview", QCoreApplication::translate("MainMenus", "Previe&w"));
    m.menuOptionsPreviewEnablePreview = Item(m.menuOptionsPreview, "menuOptionsPreviewEnablePreview", QCoreApplication::translate("MainMenus", "&Enable Preview"), true);
    m.menuOptionsPreviewPreviewSource = Sub(m.menuOptionsPreview, "menuOptionsPreviewPreviewSource", QCoreApplication::translate("MainMenus", "Preview &Source"));
    m.menuOptionsPreviewPreviewSourceVideoandAudio = Item(m.menuOptionsPreviewPreviewSource, "menuOptionsPreviewPreviewSourceVideoandAudio", QCoreApplication::translate("MainMenus", "Video and Audio"), true);
    m.menuOptionsPreviewPreviewSourceVideoonly = Item(m.menuOptionsPreviewPreviewSource, "menuOptionsPreviewPreviewSourceVideoonly", QCoreApplication::translate("MainMenus", "Video only"), true);
    m.menuOptionsPreviewPreviewSourceAudioonly = Item(m.menuOptionsPreviewPreviewSource, "menuOptionsPreviewPreviewSourceAudioonly", QCoreApplication::translate("MainMenus", "Audio only"), true);
    m.menuOptionsPreview->addSeparator();
    MakeList(m.menuOptionsPreviewAudioRenderer, m.menuOptionsPreview, "menuOptionsPreviewAudioRenderer", QCoreApplication::translate("MainMenus", "&Audio Renderer"), QCoreApplication::translate("MainMenus", "Default"));
    m.menuOptionsPreview->addSeparator();
    m.menuOptionsPreviewDisableWhileEditingProperties = Item(m.menuOptionsPreview, "menuOptionsPreviewDisableWhileEditingProperties", QCoreApplication::translate("MainMenus", "&Disable While Editing Properties"), true);
    m.menuOptionsPreviewPreviewTap = Sub(m.menuOptionsPreview, "menuOptionsPreviewPreviewTap", QCoreApplication::translate("MainMenus", "Preview &Tap"));
    m.menuOptionsPreviewPreviewTapSource = Item(m.menuOptionsPreviewPreviewTap, "menuOptionsPreviewPreviewTapSource", QCoreApplication::translate("MainMenus", "&Source"), true);
    m.menuOptionsPreviewPreviewTapProcessors = Item(m.menuOptionsPreviewPreviewTap, "menuOptionsPreviewPreviewTapProcessors", QCoreApplication::translate("MainMenus", "&Processors"), true);
    m.menuOptionsPreviewPreviewTapCompressor = Item(m.menuOptionsPreviewPreviewTap, "menuOptionsPreviewPreviewTapCompressor", QCoreApplication::translate("MainMenus", "&Compressor"), true);
    m.menuOptions->addSeparator();
    MakeList(m.menuOptionsVideoCompressor, m.menuOptions, "menuOptionsVideoCompressor", QCoreApplication::translate("MainMenus", "V&ideo Compressor"), QCoreApplication::translate("MainMenus", "None"));
    MakeList(m.menuOptionsAudioCompressor, m.menuOptions, "menuOptionsAudioCompressor", QCoreApplication::translate("MainMenus", "A&udio Compressor"), QCoreApplication::translate("MainMenus", "None"));
    m.menuOptions->addSeparator();
    m.menuOptionsCloseCaptioning = Item(m.menuOptions, "menuOptionsCloseCaptioning", QCoreApplication::translate("MainMenus", "Close Captionin&g"), true);
    m.menuOptions->addSeparator();
    MakeList(m.menuOptionsVideoCaptureSize, m.menuOptions, "menuOptionsVideoCaptureSize", QCoreApplication::translate("MainMenus", "Video Capture &Size"), QStringLiteral("DUMMY"));
    m.menuOptionsCaptureProperties = Item(m.menuOptions, "menuOptionsCaptureProperties", QCoreApplication::translate("MainMenus", "Ca&pture Properties..."));
    m.menuOptionsPreviewProperties = Item(m.menuOptions, "menuOptionsPreviewProperties", QCoreApplication::translate("MainMenus", "P&review Properties..."));
    m.menuOptionsVideoCompressorProperties = Item(m.menuOptions, "menuOptionsVideoCompressorProperties", QCoreApplication::translate("MainMenus", "Video C&ompressor Properties..."));
    m.menuOptionsAudioCompressorProperties = Item(m.menuOptions, "menuOptionsAudioCompressorProperties", QCoreApplication::translate("MainMenus", "Audio Compressor Properties..."));
    m.menuOptionsLegacyProperties = Sub(m.menuOptions, "menuOptionsLegacyProperties", QCoreApplication::translate("MainMenus", "&Legacy Properties"));
    m.menuOptionsLegacyPropertiesVideoSource = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesVideoSource", QCoreApplication::translate("MainMenus", "Video &Source..."));
    m.menuOptionsLegacyPropertiesVideoFormat = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesVideoFormat", QCoreApplication::translate("MainMenus", "Video &Format..."));
    m.menuOptionsLegacyPropertiesVideoDisplay = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesVideoDisplay", QCoreApplication::translate("MainMenus", "Video &Display..."));
    m.menuOptionsLegacyPropertiesAudioFormat = Item(m.menuOptionsLegacyProperties, "menuOptionsLegacyPropertiesAudioFormat", QCoreApplication::translate("MainMenus", "&Audio Format..."));
    m.menuOptions->addSeparator();
    m.menuOptionsAudioProcessors = Item(m.menuOptions, "menuOptionsAudioProcessors", QCoreApplication::translate("MainMenus", "Audio Pro&cessors..."));
    m.menuOptionsVideoProcessors = Item(m.menuOptions, "menuOptionsVideoProcessors", QCoreApplication::translate("MainMenus", "Video Proc&essors..."));

    m.menuCapture = Top(bar, "menuCapture", QCoreApplication::translate("MainMenus", "&Capture"));
    m.menuCaptureVideoandAudio = Item(m.menuCapture, "menuCaptureVideoandAudio", QCoreApplication::translate("MainMenus", "&Video and Audio Captures..."));
    m.menuCapture->addSeparator();
    m.menuCaptureManualFrameSequence = Item(m.menuCapture, "menuCaptureManualFrameSequence", QCoreApplication::translate("MainMenus", "&Manual Frame Sequence..."));
    m.menuCaptureAutomaticFrameSequence = Item(m.menuCapture, "menuCaptureAutomaticFrameSequence", QCoreApplication::translate("MainMenus", "&Automatic Frame Sequence..."));
    m.menuCaptureManualFrameAudioSequence = Item(m.menuCapture, "menuCaptureManualFrameAudioSequence", QCoreApplication::translate("MainMenus", "&Manual Frame and Audio Sequence..."));
    m.menuCaptureAutomaticFrameAudioSequence = Item(m.menuCapture, "menuCaptureAutomaticFrameAudioSequence", QCoreApplication::translate("MainMenus", "&Automatic Frame and Audio Sequence..."));
    m.menuCapture->addSeparator();
    m.menuCaptureStillPictureClipboard = Item(m.menuCapture, "menuCaptureStillPictureClipboard", QCoreApplication::translate("MainMenus", "&Still Picture (Clipboard)"));
    m.menuCapture->addSeparator();
    m.Mins = Item(m.menuCapture, "Mins", QCoreApplication::translate("MainMenus", "Minimi&ze on Capture"), true);
    m.menuCaptureStopCapture = Item(m.menuCapture, "menuCaptureStopCapture", QCoreApplication::translate("MainMenus", "Sto&p and Save Capture"));

    m.menuHelp = Top(bar, "menuHelp", QCoreApplication::translate("MainMenus", "&Help"));
    m.menuHelpAbout = Item(m.menuHelp, "menuHelpAbout", QCoreApplication::translate("MainMenus", "&About Quillmere Capture..."));
}

}  // namespace pelta
