// "V&ideo Compressor" and "A&udio Compressor": building, the restricted-compressor
// question, the clicks.
#include "menus/OptionsMenus.h"

#include "controls/Prompts.h"
#include "menus/MenuRules.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace pelta {

namespace {
constexpr int16_t kRestrictedCount = 7;
}

QString OptionsMenus::RestrictedCompressorWarning() {
    return QCoreApplication::translate("OptionsMenus",
                                       "In our tests, the compressor you have selected\r has caused unexpected "
                                       "behaviour on some computers.\rAre you sure you want to use it?");
}

void OptionsMenus::BuildCompressorMenu() {
    // Unlike the devices, the engine's compressor selection is left as it is.
    BuildNamedListMenu(
        ListKind::VideoCompressor, QCoreApplication::translate("OptionsMenus", "No Recompression"),
        [this] { return engine_.VideoCompressorList().Count(); },
        [this](int32_t i) { return engine_.VideoCompressorList().Item(i).DisplayName; });
    BuildNamedListMenu(
        ListKind::AudioCompressor, QCoreApplication::translate("OptionsMenus", "No Recompression"),
        [this] { return engine_.AudioCompressorList().Count(); },
        [this](int32_t i) { return engine_.AudioCompressorList().Item(i).DisplayName; });
}

bool OptionsMenus::VerifyCompressor(engine::CompressorList& compressors, int16_t i,
                                    const QStringList& pRestrictedComp, int16_t nRestrictedCount) {
    if (i == 0) return true;  // "No Recompression" is always allowed
    const QString name = QString::fromStdString(compressors.Item(i - 1).DisplayName);
    // Never look past the array, whatever count the caller passes.
    const qsizetype count = std::min<qsizetype>(std::max<int16_t>(nRestrictedCount, 0), pRestrictedComp.size());
    for (qsizetype k = 0; k < count; ++k) {
        if (pRestrictedComp.at(k) == name) {
            return Prompts().Message(window_, RestrictedCompressorWarning(), QCoreApplication::translate("OptionsMenus", "Warning"),
                                     PromptButtons::YesNo, true) == PromptAnswer::Yes;
        }
    }
    return true;
}

void OptionsMenus::CompressorClicked(ListKind kind, int16_t Index) {
    RunCommand([&] {
        ListMenu& list = MenuOf(kind);
        if (Index < 0 || static_cast<size_t>(Index) >= list.All.size()) return;
        const QAction* item = list.All[static_cast<size_t>(Index)];
        menus::BusyPointer busy;
        const bool video = kind == ListKind::VideoCompressor;
        engine::CompressorList& compressors = video ? engine_.VideoCompressorList() : engine_.AudioCompressorList();
        const auto i = static_cast<int16_t>(std::lround(menus::TagNumber(item) + 1));
        const bool ok = VerifyCompressor(compressors, i, video ? pRestrictedVideoComp : pRestrictedAudioComp,
                                         kRestrictedCount);
        if (!ok) return;  // declined: engine and check marks stay as they were
        compressors.SetSelected(menus::TagIndex(item));
        busy.Restore();
        UpdateMenuStatus();
    });
}

void OptionsMenus::VideoCompressorClicked(int16_t Index) { CompressorClicked(ListKind::VideoCompressor, Index); }

void OptionsMenus::AudioCompressorClicked(int16_t Index) { CompressorClicked(ListKind::AudioCompressor, Index); }

}  // namespace pelta
