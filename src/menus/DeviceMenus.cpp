// "Video &Device" and "Audio De&vice": building, the device status panels, the clicks.
#include "menus/OptionsMenus.h"
#include "controls/EngineWords.h"

#include "engine/core/devices/wayland/PortalScreenSource.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

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
    AddMissingPortalScreen();
}

// On a Wayland desktop without a screen-cast portal the screen is not lost without a word:
// its entry stays in the menu, disabled, and says what is missing. It is no list element
// (it stands for no engine device), so the menu status leaves it alone.
void OptionsMenus::AddMissingPortalScreen() {
    QMenu* menu = menus_.menuOptionsVideoDevice.Menu;
    if (portalHint_ || !menu || !engine::ScreenPortalMissing()) return;
    portalHint_ = menu->addAction(QString::fromUtf8(engine::kPortalScreenName));
    portalHint_->setObjectName(QStringLiteral("menuOptionsVideoDevicePortalMissing"));
    portalHint_->setEnabled(false);
    portalHint_->setToolTip(MissingPortalText());
    menu->setToolTipsVisible(true);
}

QString OptionsMenus::MissingPortalText() {
    return QCoreApplication::translate(
        "OptionsMenus",
        "This Wayland desktop shares no screen: it has no desktop portal with screen casting. Install "
        "xdg-desktop-portal, your desktop's portal backend (xdg-desktop-portal-gnome, -kde or -wlr) and "
        "pipewire, then log in again.");
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
        // Said once, the first time the devices are written; the menu entry keeps saying it.
        if (portalHint_ && !portalHintShown_) {
            portalHintShown_ = true;
            setPanelText_(1, MissingPortalText());
        }
    }
}

void OptionsMenus::VideoDeviceClicked(int16_t Index) { SetListSelection(ListKind::VideoDevice, Index); }

void OptionsMenus::AudioDeviceClicked(int16_t Index) { SetListSelection(ListKind::AudioDevice, Index); }

}  // namespace pelta
