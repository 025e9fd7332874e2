#include "engine/dialogs/CompressorDialog.h"
#include "controls/EngineWords.h"

#include "engine/core/record/Compressors.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace pelta {

using namespace engine::record;

namespace {

std::string DisplayName(bool video, const std::string& encoder) {
    for (const CompressorInfo& c : video ? AvailableVideoCompressors() : AvailableAudioCompressors()) {
        if (c.EncoderName == encoder) return c.DisplayName;
    }
    return encoder;
}

}  // namespace

CompressorDialog::CompressorDialog(bool video, std::string encoder, EncoderSettings settings, Apply apply,
                                   QWidget* parent, int sampleRate, int channels)
    : QDialog(parent),
      encoder_(std::move(encoder)),
      initial_(settings.Clamped(encoder_)),
      settings_(initial_),
      apply_(std::move(apply)) {
    setObjectName(QStringLiteral("CompressorDialog"));
    setWindowTitle(video ? tr("Video Compressor") : tr("Audio Compressor"));
    auto* layout = new QVBoxLayout(this);
    lblEncoder = new QLabel(QString::fromStdString(DisplayName(video, encoder_)), this);
    lblEncoder->setObjectName(QStringLiteral("lblEncoder"));
    QFont bold = lblEncoder->font();
    bold.setBold(true);
    lblEncoder->setFont(bold);
    layout->addWidget(lblEncoder);

    const auto options = EncoderOptionsFor(encoder_);
    if (options.empty()) {
        layout->addWidget(new QLabel(tr("This compressor has no settings."), this));
    }
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const bool mp3 = encoder_ == "libmp3lame";
    const std::vector<int> mp3Rates = Mp3BitRates(sampleRate);
    for (const EncoderSetting& s : options) {
        const QString key = QString::fromStdString(s.Key);
        const std::string k = s.Key;
        if (s.Kind == SettingKind::Choice) {
            auto* box = new QComboBox(this);
            box->setObjectName(key);
            for (const SettingChoice& c : s.Choices) {
                QString label = CatalogText(c.Label);
                if (mp3 && s.Key == "bitrate") {
                    // Only what LAME writes at this sample rate, and what "Automatic" comes to.
                    if (c.Value != kAutomaticBitRate &&
                        std::find(mp3Rates.begin(), mp3Rates.end(), c.Value) == mp3Rates.end())
                        continue;
                    if (c.Value == kAutomaticBitRate && sampleRate > 0 && channels > 0)
                        label += QStringLiteral(" (%1 kbit/s)").arg(Mp3BitRateWritten(c.Value, sampleRate, channels));
                }
                box->addItem(label, c.Value);
            }
            connect(box, &QComboBox::currentIndexChanged, this, [this, box, k](int i) {
                if (i >= 0) SetValue(k, box->itemData(i).toInt());
            });
            combos_[k] = box;
            labels_[k] = new QLabel(CatalogText(s.Label), this);
            form->addRow(labels_[k], box);
            continue;
        }
        auto* row = new QHBoxLayout;
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(key + QStringLiteral("Slider"));
        slider->setRange(s.Min, s.Max);
        auto* spin = new QSpinBox(this);
        spin->setObjectName(key);
        spin->setRange(s.Min, s.Max);
        row->addWidget(slider, 1);
        row->addWidget(spin);
        connect(slider, &QSlider::valueChanged, this, [this, k](int v) { SetValue(k, v); });
        connect(spin, &QSpinBox::valueChanged, this, [this, k](int v) { SetValue(k, v); });
        sliders_[k] = slider;
        spins_[k] = spin;
        labels_[k] = new QLabel(CatalogText(s.Label), this);
        form->addRow(labels_[k], row);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ShowValues();
}

void CompressorDialog::SetValue(const std::string& key, int value) {
    EncoderSettings next = settings_;
    next.Set(key, value);
    next = next.Clamped(encoder_);  // only values the encoder takes leave the dialog
    if (next == settings_) {
        ShowValues();  // a refused value puts the controls back
        return;
    }
    settings_ = next;
    ShowValues();
    if (apply_) apply_(settings_);
}

void CompressorDialog::ShowValues() {
    for (auto& [key, box] : combos_) {
        const QSignalBlocker block(box);
        const int value = settings_.Get(key, 0);
        int index = box->findData(value);
        // A stored choice this sound does not offer shows as the nearest one offered, which
        // is what the encoder will write.
        if (index < 0) {
            int bestDiff = INT_MAX;
            for (int i = 0; i < box->count(); ++i) {
                if (const int diff = std::abs(box->itemData(i).toInt() - value); diff < bestDiff) {
                    bestDiff = diff;
                    index = i;
                }
            }
        }
        box->setCurrentIndex(index);
    }
    for (auto& [key, spin] : spins_) {
        const QSignalBlocker block(spin);
        spin->setValue(settings_.Get(key, spin->minimum()));
    }
    for (auto& [key, slider] : sliders_) {
        const QSignalBlocker block(slider);
        slider->setValue(settings_.Get(key, slider->minimum()));
    }
    GrayIgnored();
}

void CompressorDialog::GrayIgnored() {
    if (encoder_ != "libmp3lame") return;
    const bool variable = settings_.Get("vbr", 0) == 1;
    for (auto& [key, on] : {std::pair<std::string, bool>{"bitrate", !variable}, {"vbr_quality", variable}}) {
        if (combos_.count(key)) combos_[key]->setEnabled(on);
        if (spins_.count(key)) spins_[key]->setEnabled(on);
        if (sliders_.count(key)) sliders_[key]->setEnabled(on);
        if (labels_.count(key)) labels_[key]->setEnabled(on);
    }
}

void CompressorDialog::reject() {
    if (settings_ != initial_) {
        settings_ = initial_;
        ShowValues();
        if (apply_) apply_(settings_);
    }
    QDialog::reject();
}

}  // namespace pelta
