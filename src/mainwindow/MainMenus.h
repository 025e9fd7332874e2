// The main window's menu bar: every item by its name, built once when the window is made.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <vector>

namespace pelta {

// An indexed array of items under one submenu; element 0 comes from the design,
// the others are added at run time. Each item's Tag is kept as the action's data.
struct ListMenu {
    QMenu* Menu = nullptr;
    std::vector<QAction*> All;

    QAction* AddElement(const QString& objectName);  // appends element All.size()
    void RemoveAbove(size_t keep);                   // drops elements >= keep
};

// Tag helpers: the item's Tag as decimal text, kept in the action's data.
void SetTag(QAction* item, const QString& tag);
QString Tag(const QAction* item);

struct MainMenus {
    QMenu* menuFile = nullptr;
    QAction* menuFileAllocCaptureFile = nullptr;
    QAction* menuFileSaveCapturedVideoAs = nullptr;
    QAction* menuAUTO = nullptr;
    QAction* menuAUTODir = nullptr;
    QAction* menuTopWindow = nullptr;
    QAction* menuFileExit = nullptr;

    QMenu* menuView = nullptr;
    QAction* menuViewFittoWindow = nullptr;
    QAction* menuViewStretchtoWindow = nullptr;
    QAction* menuView50 = nullptr;
    QAction* menuView75 = nullptr;
    QAction* menuView100 = nullptr;
    QAction* menuView200 = nullptr;
    QAction* menuViewFullScreen = nullptr;

    QMenu* menuOptions = nullptr;
    ListMenu menuOptionsVideoDevice;      // element 0 "None"
    ListMenu menuOptionsAudioDevice;      // element 0 "None"
    QMenu* menuOptionsPreview = nullptr;
    QAction* menuOptionsPreviewEnablePreview = nullptr;
    QMenu* menuOptionsPreviewPreviewSource = nullptr;
    QAction* menuOptionsPreviewPreviewSourceVideoandAudio = nullptr;
    QAction* menuOptionsPreviewPreviewSourceVideoonly = nullptr;
    QAction* menuOptionsPreviewPreviewSourceAudioonly = nullptr;
    ListMenu menuOptionsPreviewAudioRenderer;  // element 0 "Default"
    QAction* menuOptionsPreviewDisableWhileEditingProperties = nullptr;
    QMenu* menuOptionsPreviewPreviewTap = nullptr;
    QAction* menuOptionsPreviewPreviewTapSource = nullptr;
    QAction* menuOptionsPreviewPreviewTapProcessors = nullptr;
    QAction* menuOptionsPreviewPreviewTapCompressor = nullptr;
    ListMenu menuOptionsVideoCompressor;  // element 0 "None" until start-up renames it
    ListMenu menuOptionsAudioCompressor;
    QAction* menuOptionsCloseCaptioning = nullptr;
    ListMenu menuOptionsVideoCaptureSize;  // element 0 "DUMMY"
    QAction* menuOptionsCaptureProperties = nullptr;
    QAction* menuOptionsPreviewProperties = nullptr;
    QAction* menuOptionsVideoCompressorProperties = nullptr;
    QAction* menuOptionsAudioCompressorProperties = nullptr;
    QMenu* menuOptionsLegacyProperties = nullptr;
    QAction* menuOptionsLegacyPropertiesVideoSource = nullptr;
    QAction* menuOptionsLegacyPropertiesVideoFormat = nullptr;
    QAction* menuOptionsLegacyPropertiesVideoDisplay = nullptr;
    QAction* menuOptionsLegacyPropertiesAudioFormat = nullptr;
    QAction* menuOptionsAudioProcessors = nullptr;
    QAction* menuOptionsVideoProcessors = nullptr;

    QMenu* menuCapture = nullptr;
    QAction* menuCaptureVideoandAudio = nullptr;
    QAction* menuCaptureManualFrameSequence = nullptr;
    QAction* menuCaptureAutomaticFrameSequence = nullptr;
    QAction* menuCaptureManualFrameAudioSequence = nullptr;
    QAction* menuCaptureAutomaticFrameAudioSequence = nullptr;
    QAction* menuCaptureStillPictureClipboard = nullptr;
    QAction* Mins = nullptr;
    QAction* menuCaptureStopCapture = nullptr;

    QMenu* menuHelp = nullptr;
    QAction* menuHelpAbout = nullptr;
};

// Connects a menu command. Qt flips a checkable action's mark before `triggered`;
// the commands here set their marks themselves, so the flip is undone first and the
// handler sees the mark as it was when the user chose the item.
void ConnectCommand(QAction* item, QObject* context, std::function<void()> handler);

// Builds the whole menu bar as designed (captions, access keys, separators, element 0s).
void BuildMainMenuBar(QMenuBar* bar, MainMenus& m);

}  // namespace pelta
