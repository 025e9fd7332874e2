// Shared plumbing of the Options and View menus: command running, list elements, wiring.
#include "menus/OptionsMenus.h"
#include "controls/EngineWords.h"

#include "controls/Prompts.h"
#include "controls/SkipFailure.h"
#include "menus/MenuRules.h"

#include <exception>

namespace pelta {

using engine::EngineError;

OptionsMenus::OptionsMenus(MainMenus& menus, engine::CaptureEngineContract& engine, QWidget* mainWindow,
                           std::function<void(int, const QString&)> setPanelText)
    : menus_(menus),
      engine_(engine),
      window_(mainWindow),
      setPanelText_(std::move(setPanelText)),
      context_(std::make_unique<QObject>()) {
    context_->setObjectName(QStringLiteral("OptionsMenus"));
}

OptionsMenus::~OptionsMenus() = default;

void OptionsMenus::RunCommand(const std::function<void()>& body) {
    QString failure;
    try {
        body();
        return;
    } catch (const std::exception& e) {
        failure = EngineErrorText(std::string(e.what()));
    }
    // Any busy pointer of the command is already back (its guard has unwound).
    Prompts().Message(window_, failure, ApplicationTitle(), PromptButtons::Ok);
}

ListMenu& OptionsMenus::MenuOf(ListKind kind) {
    switch (kind) {
    case ListKind::VideoDevice: return menus_.menuOptionsVideoDevice;
    case ListKind::AudioDevice: return menus_.menuOptionsAudioDevice;
    case ListKind::VideoCompressor: return menus_.menuOptionsVideoCompressor;
    case ListKind::AudioCompressor: return menus_.menuOptionsAudioCompressor;
    case ListKind::Renderer: return menus_.menuOptionsPreviewAudioRenderer;
    case ListKind::VideoSize: return menus_.menuOptionsVideoCaptureSize;
    }
    return menus_.menuOptionsVideoDevice;
}

void OptionsMenus::WireElement(ListKind kind, size_t k) {
    if (!commandsConnected_) return;
    ListMenu& list = MenuOf(kind);
    if (k >= list.All.size()) return;
    const auto index = static_cast<int16_t>(k);
    std::function<void()> handler;
    switch (kind) {
    case ListKind::VideoDevice: handler = [this, index] { VideoDeviceClicked(index); }; break;
    case ListKind::AudioDevice: handler = [this, index] { AudioDeviceClicked(index); }; break;
    case ListKind::VideoCompressor: handler = [this, index] { VideoCompressorClicked(index); }; break;
    case ListKind::AudioCompressor: handler = [this, index] { AudioCompressorClicked(index); }; break;
    case ListKind::Renderer: handler = [this, index] { RendererClicked(index); }; break;
    case ListKind::VideoSize: handler = [this, index] { VideoSizeClicked(index); }; break;
    }
    ConnectCommand(list.All[k], context_.get(), std::move(handler));
}

QAction* OptionsMenus::PutElement(ListKind kind, size_t k, const QString& caption, const QString& tag) {
    ListMenu& list = MenuOf(kind);
    QAction* item = nullptr;
    if (k < list.All.size()) {
        item = list.All[k];  // exists already (element 0, or an earlier build)
    } else {
        item = list.AddElement(list.Menu->objectName() + QStringLiteral("All"));
        WireElement(kind, list.All.size() - 1);
    }
    item->setText(caption);
    SetTag(item, tag);
    return item;
}

void OptionsMenus::BuildNamedListMenu(ListKind kind, const QString& noneCaption,
                                      const std::function<int32_t()>& count,
                                      const std::function<std::string(int32_t)>& name,
                                      const std::function<void()>& whenAny) {
    // Failing steps are skipped: an unreadable list leaves element 0 alone.
    int32_t n = 0;
    try {
        n = count();
    } catch (const std::exception&) {
        n = 0;
    }
    if (!MenuOf(kind).All.empty()) PutElement(kind, 0, noneCaption, QStringLiteral("-1"));
    if (n > 0 && whenAny) {
        try {
            whenAny();
        } catch (const std::exception&) {
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        try {
            // A name is shown as it is: an "&" in it is no mnemonic marker.
            QString caption = DeviceDisplayName(name(i));
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            PutElement(kind, static_cast<size_t>(i) + 1, caption, QString::number(i));
        } catch (const std::exception&) {
            // This entry cannot be named; it is left out.
        }
    }
}

void OptionsMenus::SetListSelection(ListKind kind, int16_t Index) {
    RunCommand([&] {
        ListMenu& list = MenuOf(kind);
        if (Index < 0 || static_cast<size_t>(Index) >= list.All.size()) return;
        const int32_t tag = menus::TagIndex(list.All[static_cast<size_t>(Index)]);
        menus::BusyPointer busy;
        switch (kind) {
        case ListKind::VideoDevice:
            engine_.VideoInputs().SetSelected(tag);
            BuildVideoSizeMenu();  // the sizes depend on the video device
            WriteDeviceStatus();
            break;
        case ListKind::AudioDevice:
            engine_.AudioInputs().SetSelected(tag);
            WriteDeviceStatus();
            break;
        case ListKind::Renderer: engine_.AudioRendererList().SetSelected(tag); break;
        case ListKind::VideoSize: engine_.VideoSizeList().SetSelected(tag); break;
        case ListKind::VideoCompressor:
        case ListKind::AudioCompressor: return;  // these go through VerifyCompressor
        }
        busy.Restore();
        UpdateMenuStatus();
    });
}

void OptionsMenus::DevicesSettled(const std::string& refusal) {
    SkipFailure([&] { BuildVideoSizeMenu(); });
    SkipFailure([&] { WriteDeviceStatus(); });
    UpdateMenuStatus();
    if (!refusal.empty()) Prompts().Message(window_, EngineErrorText(refusal), ApplicationTitle(), PromptButtons::Ok);
}

void OptionsMenus::FillRestrictedLists() {
    pRestrictedAudioComp = QStringList{
        QStringLiteral("IAC2"),
        QStringLiteral("Lernout & Hauspie SBC 8kbit/s"),
        QStringLiteral("Lernout & Hauspie SBC 12kbit/s"),
        QStringLiteral("Lernout & Hauspie SBC 16kbit/s"),
        QStringLiteral("Windows Media Audio V1"),
        QStringLiteral("WMAudio Encoder DMO"),
        QStringLiteral("ACELP.net"),
    };
    pRestrictedVideoComp = QStringList{
        QStringLiteral("Microsoft H.263 Video Codec"),
        QStringLiteral("Microsoft H.261 Video Codec"),
        QStringLiteral("WMVideo Encoder DMO"),
        QStringLiteral("WMVideo8 Encoder DMO"),
        QStringLiteral("MSScreen encoder DMO"),
        QStringLiteral("VDOnet VDOWave"),
        QStringLiteral("Intel 4:2:0 Video V2.5"),
    };
}

}  // namespace pelta
