#include "engine/PropertyDialogLauncher.h"

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

bool PropertyDialogLauncher::Available(int32_t id) const {
    EngineCore& core = engine_.Core();
    CaptureSession& session = engine_.Recorder();
    const bool video = core.HasVideo(), audio = core.HasAudio();
    switch (id) {
    case DialogId::VideoFormat: return video;
    case DialogId::VideoSource: return VideoSourceDialog::HasContents(core);
    case DialogId::VideoDisplay: return video;
    case DialogId::AudioFormat: return audio && IsRealAudioSource(core.SelectedAudioDevice());
    case DialogId::VideoCompressor: {
        const std::string e = session.ChosenVideoEncoder();
        return !e.empty() && record::HasEncoderSettings(e);
    }
    case DialogId::AudioCompressor: {
        const std::string e = session.ChosenAudioEncoder();
        return !e.empty() && record::HasEncoderSettings(e);
    }
    case DialogId::CaptureProperties: return true;
    case DialogId::PreviewProperties: return video;
    case DialogId::AudioProcessors: return audio;
    case DialogId::VideoProcessors: return video;
    default: return false;
    }
}

void PropertyDialogLauncher::Open(int32_t id, QWidget* parent) {
    if (!Available(id)) throw EngineError("This property dialog is not available for the selected devices.");
    CaptureSession& session = engine_.Recorder();
    switch (id) {
    case DialogId::VideoFormat:
        ShowDialog<VideoFormatDialog>(engine_, parent);
        break;
    case DialogId::VideoSource:
        ShowDialog<VideoSourceDialog>(engine_, parent);
        break;
    case DialogId::VideoDisplay:
        ShowDialog<VideoDisplayDialog>(engine_, parent);
        break;
    case DialogId::AudioFormat:
        ShowDialog<AudioFormatDialog>(engine_, parent);
        break;
    case DialogId::VideoCompressor:
    case DialogId::AudioCompressor: {
        const bool video = id == DialogId::VideoCompressor;
        const std::string encoder = video ? session.ChosenVideoEncoder() : session.ChosenAudioEncoder();
        // A sound encoder is offered what it can write for the sound the device delivers.
        const AudioFormat sound = video ? AudioFormat{} : engine_.Core().CurrentAudioFormat();
        CompressorDialog d(video, encoder, session.EncoderSettingsFor(encoder),
                           [this, encoder](const record::EncoderSettings& s) {
                               engine_.Recorder().SetEncoderSettings(encoder, s);
                               engine_.PreviewSettingsChanged();
                           },
                           parent, sound.SampleRate, sound.Channels);
        engine_.ExecPropertyDialog(d);
        break;
    }
    case DialogId::CaptureProperties:
        ShowDialog<CaptureSettingsDialog>(engine_, parent);
        break;
    case DialogId::PreviewProperties:
        ShowDialog<PreviewPropertiesDialog>(engine_, parent);
        break;
    case DialogId::AudioProcessors:
    case DialogId::VideoProcessors: {
        const bool video = id == DialogId::VideoProcessors;
        ProcessorsDialog d(video, video ? engine_.VideoProcessors().Chain() : engine_.AudioProcessors().Chain(),
                           [this, video](const processors::ChainDescription& chain) {
                               if (video) engine_.VideoProcessors().SetChain(chain);
                               else engine_.AudioProcessors().SetChain(chain);
                               engine_.PreviewSettingsChanged();
                           },
                           parent);
        engine_.ExecPropertyDialog(d);
        break;
    }
    default:
        break;
    }
}

}  // namespace pelta
