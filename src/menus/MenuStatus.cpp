// UpdateMenuStatus: the engine's state copied into the check marks and enabled states,
// step by step in a fixed order. A step whose engine read fails is skipped alone, so one
// failing member cannot leave the rest of the menus behind.
#include "menus/OptionsMenus.h"

#include "controls/SkipFailure.h"

#include "menus/MenuRules.h"

#include <exception>

namespace pelta {

namespace {

using engine::EngineStateCode::Busy;
using engine::EngineStateCode::Capturing;

// Sets Enabled on elements 0..last of a list menu.
void EnableElements(ListMenu& list, int64_t last, bool enabled) {
    const size_t n = menus::ElementsUpTo(list, last);
    for (size_t k = 0; k < n; ++k) list.All[k]->setEnabled(enabled);
}

void CheckElements(ListMenu& list, int64_t last, int32_t selected) {
    const size_t n = menus::ElementsUpTo(list, last);
    for (size_t k = 0; k < n; ++k) list.All[k]->setChecked(menus::ListItemChecked(list.All[k], selected));
}

// A list step that sets both states: elements 0..last are enabled as given, then
// checked by the list rule. A failing Selected still lets the lock through.
template <typename List>
void EnableAndCheck(ListMenu& list, List& engineList, int64_t last, bool enabled) {
    int32_t selected = 0;
    bool known = true;
    try {
        selected = engineList.Selected();
    } catch (const std::exception&) {
        known = false;
    }
    const size_t n = menus::ElementsUpTo(list, last);
    for (size_t k = 0; k < n; ++k) {
        list.All[k]->setEnabled(enabled);
        if (known) list.All[k]->setChecked(menus::ListItemChecked(list.All[k], selected));
    }
}

}  // namespace

void OptionsMenus::UpdateMenuStatus() {
    auto& e = engine_;
    auto& m = menus_;

    // Read once. When the engine cannot say, the choices are locked: that is the safe side.
    bool notCapturing = false;
    SkipFailure([&] { notCapturing = e.EngineState() != Capturing; });

    // "And not capturing" is False whatever the engine says while capturing, so such an
    // item is still locked when its own read fails.
    auto availableItem = [&](QAction* item, const std::function<bool()>& available) {
        try {
            const bool a = available();
            item->setEnabled(a && notCapturing);
        } catch (const std::exception&) {
            if (!notCapturing) item->setEnabled(false);
        }
    };

    // 1
    SkipFailure([&] { m.menuFileSaveCapturedVideoAs->setEnabled(e.EngineState() != Capturing); });
    // 2-7: the six scale items
    SkipFailure([&] { m.menuViewFittoWindow->setChecked(e.PreviewFit() == 0); });
    SkipFailure([&] { m.menuViewStretchtoWindow->setChecked(e.PreviewFit() == 1); });
    SkipFailure([&] { m.menuView50->setChecked(e.PreviewFit() == 4); });
    SkipFailure([&] { m.menuView75->setChecked(e.PreviewFit() == 3); });
    SkipFailure([&] { m.menuView100->setChecked(e.PreviewFit() == 2); });
    SkipFailure([&] { m.menuView200->setChecked(e.PreviewFit() == 5); });
    // 8
    SkipFailure([&] { m.menuViewFullScreen->setChecked(e.FullScreenOn()); });
    // 9: guarded; either read failing disables full screen
    {
        bool possible = false;
        try {
            const bool metric = e.FullScreenMetric() != 0.0f;
            const bool state = e.EngineState() != engine::EngineStateCode::NoFullScreen;
            possible = metric && state;
        } catch (const std::exception&) {
            possible = false;
        }
        m.menuViewFullScreen->setEnabled(possible);
    }
    // 10, 11: video devices (element 0 stands for none, so 0..Count)
    SkipFailure([&] {
        auto& list = e.VideoInputs();
        EnableElements(m.menuOptionsVideoDevice, list.Count(), notCapturing);
    });
    SkipFailure([&] {
        auto& list = e.VideoInputs();
        const int64_t last = list.Count();
        CheckElements(m.menuOptionsVideoDevice, last, list.Selected());
    });
    // 12: audio devices
    SkipFailure([&] {
        auto& list = e.AudioInputs();
        EnableAndCheck(m.menuOptionsAudioDevice, list, list.Count(), notCapturing);
    });
    // 13, 14
    SkipFailure([&] { m.menuOptionsPreviewEnablePreview->setChecked(e.PreviewOn()); });
    SkipFailure([&] { m.menuOptionsPreviewDisableWhileEditingProperties->setChecked(!e.PreviewDuringProperties()); });
    // 15-17: preview source
    const auto source = [&](QAction* item, int32_t value) {
        item->setEnabled(notCapturing);
        SkipFailure([&] { item->setChecked(e.PreviewInput() == value); });
    };
    source(m.menuOptionsPreviewPreviewSourceAudioonly, 2);
    source(m.menuOptionsPreviewPreviewSourceVideoonly, 1);
    source(m.menuOptionsPreviewPreviewSourceVideoandAudio, 0);
    // 18: renderers, free unless the engine captures or is busy (read now)
    SkipFailure([&] {
        auto& list = e.AudioRendererList();
        const int64_t last = list.Count();
        bool rendererFree = false;
        try {
            const int32_t state = e.EngineState();
            rendererFree = state != Capturing && state != Busy;
        } catch (const std::exception&) {
            rendererFree = false;  // unknown: locked
        }
        EnableAndCheck(m.menuOptionsPreviewAudioRenderer, list, last, rendererFree);
    });
    // 19-21: preview tap
    SkipFailure([&] { m.menuOptionsPreviewPreviewTapSource->setChecked(e.PreviewTap() == 0); });
    SkipFailure([&] { m.menuOptionsPreviewPreviewTapProcessors->setChecked(e.PreviewTap() == 1); });
    SkipFailure([&] { m.menuOptionsPreviewPreviewTapCompressor->setChecked(e.PreviewTap() == 2); });
    // 22: video compressors
    SkipFailure([&] {
        auto& list = e.VideoCompressorList();
        EnableAndCheck(m.menuOptionsVideoCompressor, list, list.Count(), notCapturing);
    });
    // 23: sizes (no element for none, so 0..Count-1)
    SkipFailure([&] {
        auto& list = e.VideoSizeList();
        EnableAndCheck(m.menuOptionsVideoCaptureSize, list, static_cast<int64_t>(list.Count()) - 1, notCapturing);
    });
    // 24: audio compressors
    SkipFailure([&] {
        auto& list = e.AudioCompressorList();
        EnableAndCheck(m.menuOptionsAudioCompressor, list, list.Count(), notCapturing);
    });
    // 25, 26: closed captioning
    availableItem(m.menuOptionsCloseCaptioning, [&] { return e.CaptionsAvailable(); });
    SkipFailure([&] { m.menuOptionsCloseCaptioning->setChecked(e.CaptionsOn()); });
    // 27-34: property pages offered by the engine
    for (const PropertyPage& page : PropertyPages(m))
        availableItem(page.Item, [&] { return e.DialogAvailable(page.DialogId); });
}

std::vector<PropertyPage> PropertyPages(const MainMenus& m) {
    using namespace engine::DialogId;
    return {{m.menuOptionsCaptureProperties, CaptureProperties},
            {m.menuOptionsPreviewProperties, PreviewProperties},
            {m.menuOptionsLegacyPropertiesVideoSource, VideoSource},
            {m.menuOptionsLegacyPropertiesVideoFormat, VideoFormat},
            {m.menuOptionsLegacyPropertiesVideoDisplay, VideoDisplay},
            {m.menuOptionsLegacyPropertiesAudioFormat, AudioFormat},
            {m.menuOptionsAudioCompressorProperties, AudioCompressor},
            {m.menuOptionsVideoCompressorProperties, VideoCompressor}};
}

}  // namespace pelta
