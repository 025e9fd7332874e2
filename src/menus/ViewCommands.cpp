// The View menu's scale and full-screen commands, the Preview switches and choices,
// closed captioning, the property pages, and the wiring of every Options/View command.
#include "menus/OptionsMenus.h"

#include <QWidget>

namespace pelta {

void OptionsMenus::PreviewFitCommand(int32_t fit) {
    RunCommand([&] {
        engine_.SetPreviewFit(fit);
        UpdateMenuStatus();
    });
}

void OptionsMenus::FullScreenCommand() {
    // The check mark follows at the next UpdateMenuStatus, not here.
    RunCommand([&] { engine_.FlipFullScreen(); });
}

void OptionsMenus::EnablePreviewCommand() {
    RunCommand([&] {
        engine_.SetPreviewOn(!engine_.PreviewOn());
        UpdateMenuStatus();
    });
}

void OptionsMenus::DisableWhileEditingPropertiesCommand() {
    RunCommand([&] {
        engine_.SetPreviewDuringProperties(!engine_.PreviewDuringProperties());
        UpdateMenuStatus();
    });
}

void OptionsMenus::CloseCaptioningCommand() {
    RunCommand([&] {
        engine_.SetCaptionsOn(!engine_.CaptionsOn());
        UpdateMenuStatus();
    });
}

void OptionsMenus::PreviewInputCommand(int32_t input) {
    RunCommand([&] {
        engine_.SetPreviewInput(input);
        UpdateMenuStatus();
    });
}

void OptionsMenus::PreviewTapCommand(int32_t tap) {
    RunCommand([&] {
        engine_.SetPreviewTap(tap);
        UpdateMenuStatus();
    });
}

void OptionsMenus::PropertyCommand(int32_t DialogId) {
    // The engine shows its dialog modal to the main window; nothing else happens.
    RunCommand([&] {
        const uintptr_t parent = window_ ? static_cast<uintptr_t>(window_->winId()) : 0;
        engine_.OpenDialog(DialogId, parent);
    });
}

void OptionsMenus::ConnectCommands() {
    if (commandsConnected_) return;
    commandsConnected_ = true;
    auto& m = menus_;
    QObject* ctx = context_.get();
    const auto fit = [&](QAction* item, int32_t value) {
        ConnectCommand(item, ctx, [this, value] { PreviewFitCommand(value); });
    };
    fit(m.menuViewFittoWindow, 0);
    fit(m.menuViewStretchtoWindow, 1);
    fit(m.menuView50, 4);
    fit(m.menuView75, 3);
    fit(m.menuView100, 2);
    fit(m.menuView200, 5);
    ConnectCommand(m.menuViewFullScreen, ctx, [this] { FullScreenCommand(); });

    ConnectCommand(m.menuOptionsPreviewEnablePreview, ctx, [this] { EnablePreviewCommand(); });
    ConnectCommand(m.menuOptionsPreviewDisableWhileEditingProperties, ctx,
                   [this] { DisableWhileEditingPropertiesCommand(); });
    ConnectCommand(m.menuOptionsCloseCaptioning, ctx, [this] { CloseCaptioningCommand(); });
    const auto input = [&](QAction* item, int32_t value) {
        ConnectCommand(item, ctx, [this, value] { PreviewInputCommand(value); });
    };
    input(m.menuOptionsPreviewPreviewSourceVideoandAudio, 0);
    input(m.menuOptionsPreviewPreviewSourceVideoonly, 1);
    input(m.menuOptionsPreviewPreviewSourceAudioonly, 2);
    const auto tap = [&](QAction* item, int32_t value) {
        ConnectCommand(item, ctx, [this, value] { PreviewTapCommand(value); });
    };
    tap(m.menuOptionsPreviewPreviewTapSource, 0);
    tap(m.menuOptionsPreviewPreviewTapProcessors, 1);
    tap(m.menuOptionsPreviewPreviewTapCompressor, 2);

    const auto page = [&](QAction* item, int32_t id) {
        ConnectCommand(item, ctx, [this, id] { PropertyCommand(id); });
    };
    for (const PropertyPage& p : PropertyPages(m)) page(p.Item, p.DialogId);
    // The two processor dialogs are never locked, so they are not among the pages above.
    page(m.menuOptionsAudioProcessors, engine::DialogId::AudioProcessors);
    page(m.menuOptionsVideoProcessors, engine::DialogId::VideoProcessors);

    // List items present now; the build procedures wire the ones they add later.
    for (ListKind kind : {ListKind::VideoDevice, ListKind::AudioDevice, ListKind::VideoCompressor,
                          ListKind::AudioCompressor, ListKind::Renderer, ListKind::VideoSize}) {
        for (size_t k = 0; k < MenuOf(kind).All.size(); ++k) WireElement(kind, k);
    }

    if (m.menuOptionsVideoCaptureSize.Menu)
        QObject::connect(m.menuOptionsVideoCaptureSize.Menu, &QMenu::aboutToShow, ctx,
                         [this] { VideoCaptureSizeOpened(); });
}

}  // namespace pelta
