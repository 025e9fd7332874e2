// The Options and View menus: built from the engine's lists, kept in step with its state,
// and their commands. The menus hold no state of their own; the engine does.
#pragma once

#include "engine/core/EngineContract.h"
#include "mainwindow/MainMenus.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>
#include <memory>

class QWidget;

namespace pelta {

// The property commands whose items follow the engine's DialogAvailable, in the order the
// menu status runs them, each with the dialog it opens.
struct PropertyPage {
    QAction* Item;
    int32_t DialogId;
};
std::vector<PropertyPage> PropertyPages(const MainMenus& m);

class OptionsMenus {
public:
    // `setPanelText(panel, text)` writes a status-bar panel (numbered from 1).
    OptionsMenus(MainMenus& menus, engine::CaptureEngineContract& engine, QWidget* mainWindow,
                 std::function<void(int panel, const QString& text)> setPanelText);
    ~OptionsMenus();
    OptionsMenus(const OptionsMenus&) = delete;
    OptionsMenus& operator=(const OptionsMenus&) = delete;

    // Wires the Options and View commands (call once, after the menu bar is built).
    // List items added later by the build procedures are wired as they are added.
    void ConnectCommands();

    // Build procedures. These skip failing engine calls and never throw, except
    // BuildVideoSizeMenu, whose first step (counting the sizes) passes an EngineError
    // on to the caller, leaving the previous size items in place.
    void BuildDeviceMenu();
    void BuildCompressorMenu();
    void BuildRendererMenu();
    void BuildVideoSizeMenu();

    // Writes the device names into panels 2 and 3. Throws EngineError when the engine
    // cannot report them (nothing is written then).
    void WriteDeviceStatus();

    // Copies the engine's state into every check mark and enabled state. A step whose
    // engine read fails is skipped and the run goes on; it never throws.
    void UpdateMenuStatus();
    void FillRestrictedLists();
    // A device chosen has been opened or refused (the engine's event): a refusal is said,
    // and the menus and the status bar show the choices in use.
    void DevicesSettled(const std::string& refusal);

    // The View menu's "F&ull Screen" command (also run by Escape in full screen).
    void FullScreenCommand();

    // Handlers, public so that tests can run them as a click would. Each one is a whole
    // command: an engine failure ends it with a message box showing the engine's text,
    // the busy pointer restored and the check marks left as they were.
    void VideoDeviceClicked(int16_t Index);
    void AudioDeviceClicked(int16_t Index);
    void VideoCompressorClicked(int16_t Index);
    void AudioCompressorClicked(int16_t Index);
    void RendererClicked(int16_t Index);
    void VideoSizeClicked(int16_t Index);
    void VideoCaptureSizeOpened();

    // View scale, Preview switches and choices, closed captioning, property pages.
    void PreviewFitCommand(int32_t fit);
    void EnablePreviewCommand();
    void DisableWhileEditingPropertiesCommand();
    void CloseCaptioningCommand();
    void PreviewInputCommand(int32_t input);
    void PreviewTapCommand(int32_t tap);
    void PropertyCommand(int32_t DialogId);

    // True = go ahead. `i` is the menu index of the chosen item (0 = "No Recompression").
    // Throws EngineError when the engine cannot name the compressor.
    bool VerifyCompressor(engine::CompressorList& compressors, int16_t i, const QStringList& pRestrictedComp,
                          int16_t nRestrictedCount);

    const QStringList& RestrictedVideo() const { return pRestrictedVideoComp; }
    const QStringList& RestrictedAudio() const { return pRestrictedAudioComp; }

    // The Warning question's text, exactly as shown.
    static QString RestrictedCompressorWarning();

    // What the disabled screen entry of a Wayland desktop without a screen-cast portal says.
    static QString MissingPortalText();
    QAction* MissingPortalScreen() const { return portalHint_; }

private:
    enum class ListKind { VideoDevice, AudioDevice, VideoCompressor, AudioCompressor, Renderer, VideoSize };

    // Runs one user command; an engine failure ends it with the engine's text in a message box.
    void RunCommand(const std::function<void()>& body);
    // Wires element k of a list menu to its click handler (when commands are connected).
    void WireElement(ListKind kind, size_t k);
    ListMenu& MenuOf(ListKind kind);
    void CompressorClicked(ListKind kind, int16_t Index);
    void SetListSelection(ListKind kind, int16_t Index);
    // Adds element k (or reuses it when it exists), sets caption and tag, wires it.
    QAction* PutElement(ListKind kind, size_t k, const QString& caption, const QString& tag);
    void BuildNamedListMenu(ListKind kind, const QString& noneCaption,
                            const std::function<int32_t()>& count,
                            const std::function<std::string(int32_t)>& name,
                            const std::function<void()>& whenAny = {});

    MainMenus& menus_;
    engine::CaptureEngineContract& engine_;
    QWidget* window_;
    std::function<void(int, const QString&)> setPanelText_;
    QStringList pRestrictedAudioComp;
    QStringList pRestrictedVideoComp;
    std::unique_ptr<QObject> context_;  // owns every connection made here
    bool commandsConnected_ = false;
    void AddMissingPortalScreen();
    QAction* portalHint_ = nullptr;   // the disabled screen entry, when the portal is missing
    bool portalHintShown_ = false;    // its status text was written once
};

}  // namespace pelta
