// Scaffolding only: the menu logic replaces this file.
#include "menus/OptionsMenus.h"

namespace pelta {

OptionsMenus::OptionsMenus(MainMenus& menus, engine::CaptureEngineContract& engine, QWidget* mainWindow,
                           std::function<void(int, const QString&)> setPanelText)
    : menus_(menus), engine_(engine), window_(mainWindow), setPanelText_(std::move(setPanelText)) {}
void OptionsMenus::ConnectCommands() {}
void OptionsMenus::BuildDeviceMenu() {}
void OptionsMenus::WriteDeviceStatus() {}
void OptionsMenus::BuildCompressorMenu() {}
void OptionsMenus::BuildRendererMenu() {}
void OptionsMenus::BuildVideoSizeMenu() {}
void OptionsMenus::UpdateMenuStatus() {}
void OptionsMenus::FillRestrictedLists() {}
void OptionsMenus::FullScreenCommand() { engine_.FlipFullScreen(); }
void OptionsMenus::VideoDeviceClicked(int16_t) {}
void OptionsMenus::AudioDeviceClicked(int16_t) {}
void OptionsMenus::VideoCompressorClicked(int16_t) {}
void OptionsMenus::AudioCompressorClicked(int16_t) {}
void OptionsMenus::RendererClicked(int16_t) {}
void OptionsMenus::VideoSizeClicked(int16_t) {}
void OptionsMenus::VideoCaptureSizeOpened() {}
bool OptionsMenus::VerifyCompressor(engine::CompressorList&, int16_t, const QStringList&, int16_t) { return true; }

}  // namespace pelta
