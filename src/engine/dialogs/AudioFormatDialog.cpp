#include "engine/dialogs/AudioFormatDialog.h"
#include "controls/EngineWords.h"

#include "engine/CaptureEngine.h"

#include <QComboBox>
#include <QLabel>

namespace pelta {

using namespace engine;

AudioFormatDialog::AudioFormatDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("AudioFormatDialog"), tr("Audio Format"), parent), engine_(engine) {
    const DeviceInfo* d = engine.Core().SelectedAudioDevice();
    AddInfo(QStringLiteral("lblDevice"), tr("Device:"),
            d ? DeviceDisplayName(d->DisplayName) : QString());
    const AudioSourceSettings s = engine.Core().AudioSettings();
    std::vector<std::pair<QString, QVariant>> rates;
    for (int r : CommonSampleRates()) rates.emplace_back(tr("%1 Hz").arg(r), r);
    cmbRate = AddChoice(QStringLiteral("cmbRate"), tr("&Sample rate:"), rates, s.SampleRate);
    cmbChannels = AddChoice(QStringLiteral("cmbChannels"), tr("&Channels:"),
                            {{tr("Mono"), 1}, {tr("Stereo"), 2}}, s.Channels);
    // The engine reads every device as 16-bit samples; the compressor decides what is stored.
    AddInfo(QStringLiteral("lblSampleFormat"), tr("Sample format:"), tr("16-bit"));
    connect(cmbRate, &QComboBox::currentIndexChanged, this, &AudioFormatDialog::Apply);
    connect(cmbChannels, &QComboBox::currentIndexChanged, this, &AudioFormatDialog::Apply);
}

void AudioFormatDialog::Apply() {
    AudioSourceSettings s;
    s.SampleRate = cmbRate->currentData().toInt();
    s.Channels = cmbChannels->currentData().toInt();
    Attempt([&] { engine_.Core().SetAudioSettings(s); });
}

}  // namespace pelta
