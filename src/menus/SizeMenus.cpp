// "&Audio Renderer" and "Video Capture &Size": building, the clicks, and the size
// submenu's opening.
#include "menus/OptionsMenus.h"

#include "menus/MenuRules.h"

#include <QCoreApplication>
#include <exception>

namespace pelta {

void OptionsMenus::BuildRendererMenu() {
    // The engine's renderer selection is left as it is.
    BuildNamedListMenu(
        ListKind::Renderer, QCoreApplication::translate("OptionsMenus", "Default"), [this] { return engine_.AudioRendererList().Count(); },
        [this](int32_t i) { return engine_.AudioRendererList().Item(i).DisplayName; });
}

void OptionsMenus::BuildVideoSizeMenu() {
    ListMenu& list = menus_.menuOptionsVideoCaptureSize;
    // Counting is not guarded: a failure leaves the old items and goes to the caller.
    const int32_t n = engine_.VideoSizeList().Count();
    if (list.Menu) list.Menu->menuAction()->setEnabled(n >= 1);

    list.RemoveAbove(1);
    for (int32_t i = 0; i < n; ++i) {
        try {
            const engine::SizeItem size = engine_.VideoSizeList().Item(i);
            const QString caption = QString::number(size.Width) + QLatin1Char('x') + QString::number(size.Height);
            // Element 0 is the design's placeholder; the others are added.
            PutElement(ListKind::VideoSize, static_cast<size_t>(i), caption, QString::number(i));
        } catch (const std::exception&) {
            // An unreadable size is left out.
        }
    }
}

void OptionsMenus::RendererClicked(int16_t Index) { SetListSelection(ListKind::Renderer, Index); }

void OptionsMenus::VideoSizeClicked(int16_t Index) { SetListSelection(ListKind::VideoSize, Index); }

void OptionsMenus::VideoCaptureSizeOpened() {
    // Runs before the submenu shows: the sizes are locked while the engine captures or
    // is busy. Nothing is reported here; a failing read leaves the items as they were.
    try {
        const int32_t state = engine_.EngineState();
        const bool allowed = state != engine::EngineStateCode::Busy && state != engine::EngineStateCode::Capturing;
        engine::SizeList& sizes = engine_.VideoSizeList();
        const int32_t sel = sizes.Selected();
        const int32_t n = sizes.Count();
        ListMenu& list = menus_.menuOptionsVideoCaptureSize;
        const size_t last = menus::ElementsUpTo(list, static_cast<int64_t>(n) - 1);
        for (size_t k = 0; k < last; ++k) {
            list.All[k]->setEnabled(allowed);
            list.All[k]->setChecked(menus::ListItemChecked(list.All[k], sel));
        }
    } catch (const std::exception&) {
    }
}

}  // namespace pelta
