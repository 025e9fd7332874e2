// The Options and View menus: built from the engine's lists, kept in step with its state,
// and their commands. The menus hold no state of their own; the engine does.
#pragma once

#include "engine/core/EngineContract.h"
#include "mainwindow/MainMenus.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace pelta {

class OptionsMenus {
public:
    // `setPanelText(panel, text)` writes a status-bar panel (numbered from 1).
    OptionsMenus(MainMenus& menus, engine::CaptureEngineContract& engine, QWidget* mainWindow,
                 std::function<void(int panel, const QString& text)> setPanelText);

    // Wires the Options and View commands (call once, after the menu bar is built).
    void ConnectCommands();

    void BuildDeviceMenu();
    void WriteDeviceStatus();
    void BuildCompressorMenu();
    void BuildRendererMenu();
    void BuildVideoSizeMenu();
    void UpdateMenuStatus();
    void FillRestrictedLists();

    // The View menu's "F&ull Screen" command (also run by Escape in full screen).
    void FullScreenCommand();

    // Handlers, public so that tests can run them as a click would.
    void VideoDeviceClicked(int16_t Index);
    void AudioDeviceClicked(int16_t Index);
    void VideoCompressorClicked(int16_t Index);
    void AudioCompressorClicked(int16_t Index);
    void RendererClicked(int16_t Index);
    void VideoSizeClicked(int16_t Index);
    void VideoCaptureSizeOpened();

    bool VerifyCompressor(engine::CompressorList& compressors, int16_t i, const QStringList& pRestrictedComp,
                          int16_t nRestrictedCount);

    const QStringList& RestrictedVideo() const { return pRestrictedVideoComp; }
    const QStringList& RestrictedAudio() const { return pRestrictedAudioComp; }

private:
    MainMenus& menus_;
    engine::CaptureEngineContract& engine_;
    QWidget* window_;
    std::function<void(int, const QString&)> setPanelText_;
    QStringList pRestrictedAudioComp;
    QStringList pRestrictedVideoComp;
};

}  // namespace pelta
