// The compressor property dialog: the settings of one encoder, built from its description
// (EncoderOptionsFor). Every change is applied at once; Cancel applies the settings the
// dialog opened with again.
#pragma once

#include "engine/core/record/EncoderSettings.h"

#include <QDialog>
#include <functional>
#include <map>
#include <string>

class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace pelta {

class CompressorDialog final : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<void(const engine::record::EncoderSettings&)>;
    // `encoder` is the libavcodec encoder name; the dialog shows its name from the compressor list.
    // A sound encoder's `sampleRate` and `channels` (0: not known) narrow the bit rates offered
    // to those the encoder can write for that sound.
    CompressorDialog(bool video, std::string encoder, engine::record::EncoderSettings settings, Apply apply,
                     QWidget* parent = nullptr, int sampleRate = 0, int channels = 0);

    const engine::record::EncoderSettings& Settings() const { return settings_; }
    const std::string& Encoder() const { return encoder_; }
    // Sets one value (clamped to what the encoder takes), updates the controls, applies it.
    void SetValue(const std::string& key, int value);

    void reject() override;  // applies the opening settings again, then closes

    QLabel* lblEncoder = nullptr;

private:
    void ShowValues();
    // Grays the controls the chosen mode ignores (an MP3's bit rate in variable-rate mode,
    // its variable-rate quality in constant-rate mode).
    void GrayIgnored();

    std::string encoder_;
    engine::record::EncoderSettings initial_;
    engine::record::EncoderSettings settings_;
    Apply apply_;
    std::map<std::string, QSpinBox*> spins_;
    std::map<std::string, QSlider*> sliders_;
    std::map<std::string, QComboBox*> combos_;
    std::map<std::string, QLabel*> labels_;
};

}  // namespace pelta
