// The engine's property dialogs: which are available for the devices and compressors
// selected now, and showing them (modal, parented to the main window).
#include "controls/Prompts.h"
#include "engine/CaptureEngine.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/EncoderSettings.h"
#include "engine/dialogs/AudioFormatDialog.h"
#include "engine/dialogs/CaptureSettingsDialog.h"
#include "engine/dialogs/CompressorDialog.h"
#include "engine/dialogs/PreviewDialogs.h"
#include "engine/dialogs/ProcessorsDialog.h"
#include "engine/dialogs/VideoFormatDialog.h"
#include "engine/dialogs/VideoSourceDialog.h"

namespace pelta {

using namespace engine;

namespace {
// The dialogs that need nothing but the engine.
template <typename Dialog>
void ShowDialog(CaptureEngine& engine, QWidget* parent) {
    Dialog d(engine, parent);
    engine.ExecPropertyDialog(d);
}

bool IsRealAudioSource(const DeviceInfo* d) {
    return d && (d->Kind == DeviceKind::Microphone || d->Kind == DeviceKind::TestTone);
}
}  // namespace

bool CaptureEngine::DialogAvailable(int32_t id) const {
    const bool video = core_->HasVideo(), audio = core_->HasAudio();
    switch (id) {
    case DialogId::VideoFormat: return video;
    case DialogId::VideoSource: return VideoSourceDialog::HasContents(*core_);
    case DialogId::VideoDisplay: return video;
    case DialogId::AudioFormat: return audio && IsRealAudioSource(core_->SelectedAudioDevice());
    case DialogId::VideoCompressor: {
        const std::string e = session_->ChosenVideoEncoder();
        return !e.empty() && record::HasEncoderSettings(e);
    }
    case DialogId::AudioCompressor: {
        const std::string e = session_->ChosenAudioEncoder();
        return !e.empty() && record::HasEncoderSettings(e);
    }
    case DialogId::CaptureProperties: return true;
    case DialogId::PreviewProperties: return video;
    case DialogId::AudioProcessors: return audio;
    case DialogId::VideoProcessors: return video;
    default: return false;
    }
}

void CaptureEngine::ExecPropertyDialog(QDialog& dialog) {
    // False: the preview stands still until the dialog is closed.
    const bool paused = !duringProperties_ && previewOn_;
    {
        // Under the picture's lock: a picture the preview thread converts meanwhile is not taken.
        std::lock_guard lock(imageMutex_);
        pausedByDialog_ = paused;
    }
    Prompts().ExecDialog(dialog);
    pausedByDialog_ = false;
    InvalidatePreview();
    ChoicesChanged();
}

void CaptureEngine::OpenDialog(int32_t id, uintptr_t ParentWindow) {
    if (!DialogAvailable(id)) throw EngineError("This property dialog is not available for the selected devices.");
    QWidget* found = ParentWindow ? QWidget::find(static_cast<WId>(ParentWindow)) : nullptr;
    QWidget* parent = found ? found : window();
    switch (id) {
    case DialogId::VideoFormat:
        ShowDialog<VideoFormatDialog>(*this, parent);
        break;
    case DialogId::VideoSource:
        ShowDialog<VideoSourceDialog>(*this, parent);
        break;
    case DialogId::VideoDisplay:
        ShowDialog<VideoDisplayDialog>(*this, parent);
        break;
    case DialogId::AudioFormat:
        ShowDialog<AudioFormatDialog>(*this, parent);
        break;
    case DialogId::VideoCompressor:
    case DialogId::AudioCompressor: {
        const bool video = id == DialogId::VideoCompressor;
        const std::string encoder = video ? session_->ChosenVideoEncoder() : session_->ChosenAudioEncoder();
        // A sound encoder is offered what it can write for the sound the device delivers.
        const AudioFormat sound = video ? AudioFormat{} : core_->CurrentAudioFormat();
        CompressorDialog d(video, encoder, session_->EncoderSettingsFor(encoder),
                           [this, encoder](const record::EncoderSettings& s) {
                               session_->SetEncoderSettings(encoder, s);
                               ++previewGeneration_;
                           },
                           parent, sound.SampleRate, sound.Channels);
        ExecPropertyDialog(d);
        break;
    }
    case DialogId::CaptureProperties:
        ShowDialog<CaptureSettingsDialog>(*this, parent);
        break;
    case DialogId::PreviewProperties:
        ShowDialog<PreviewPropertiesDialog>(*this, parent);
        break;
    case DialogId::AudioProcessors:
    case DialogId::VideoProcessors: {
        const bool video = id == DialogId::VideoProcessors;
        ProcessorsDialog d(video, video ? videoChain_.Chain() : audioChain_.Chain(),
                           [this, video](const processors::ChainDescription& chain) {
                               if (video) videoChain_.SetChain(chain);
                               else audioChain_.SetChain(chain);
                               ++previewGeneration_;
                           },
                           parent);
        ExecPropertyDialog(d);
        break;
    }
    default:
        break;
    }
}

}  // namespace pelta
