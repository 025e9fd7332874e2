// "Video &Device" and "Audio De&vice": building, the device status panels, the clicks.
#include "menus/OptionsMenus.h"
#include "controls/EngineWords.h"

#include <QCoreApplication>

namespace pelta {

void OptionsMenus::BuildDeviceMenu() {
    // The first device of each kind is put in use when there is one.
    BuildNamedListMenu(
        ListKind::VideoDevice, QCoreApplication::translate("OptionsMenus", "None"), [this] { return engine_.VideoInputs().Count(); },
        [this](int32_t i) { return engine_.VideoInputs().Item(i).DisplayName; },
        [this] { engine_.VideoInputs().SetSelected(0); });
    BuildNamedListMenu(
        ListKind::AudioDevice, QCoreApplication::translate("OptionsMenus", "None"), [this] { return engine_.AudioInputs().Count(); },
        [this](int32_t i) { return engine_.AudioInputs().Item(i).DisplayName; },
        [this] { engine_.AudioInputs().SetSelected(0); });
}

void OptionsMenus::WriteDeviceStatus() {
    QString video = QCoreApplication::translate("OptionsMenus", "No Video Found");
    const int32_t v = engine_.VideoInputs().Selected();
    if (v >= 0) video = DeviceDisplayName(engine_.VideoInputs().Item(v).DisplayName);

    QString audio = QCoreApplication::translate("OptionsMenus", "No Audio Found");
    const int32_t a = engine_.AudioInputs().Selected();
    if (a >= 0) audio = DeviceDisplayName(engine_.AudioInputs().Item(a).DisplayName);

    if (setPanelText_) {
        setPanelText_(2, video);
        setPanelText_(3, audio);
    }
}

void OptionsMenus::VideoDeviceClicked(int16_t Index) { SetListSelection(ListKind::VideoDevice, Index); }

void OptionsMenus::AudioDeviceClicked(int16_t Index) { SetListSelection(ListKind::AudioDevice, Index); }

}  // namespace pelta
