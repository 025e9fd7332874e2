#include "engine/dialogs/CompressorDialog.h"

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
                                   QWidget* parent)
    : QDialog(parent),
      encoder_(std::move(encoder)),
      initial_(settings.Clamped(encoder_)),
      settings_(initial_),
      apply_(std::move(apply)) {
    setObjectName(QStringLiteral("CompressorDialog"));
    setWindowTitle(video ? QStringLiteral("Video Compressor") : QStringLiteral("Audio Compressor"));
    auto* layout = new QVBoxLayout(this);
    lblEncoder = new QLabel(QString::fromStdString(DisplayName(video, encoder_)), this);
    lblEncoder->setObjectName(QStringLiteral("lblEncoder"));
    QFont bold = lblEncoder->font();
    bold.setBold(true);
    lblEncoder->setFont(bold);
    layout->addWidget(lblEncoder);

    const auto options = EncoderOptionsFor(encoder_);
    if (options.empty()) {
        layout->addWidget(new QLabel(QStringLiteral("This compressor has no settings."), this));
    }
    auto* form = new QFormLayout;
    layout->addLayout(form);
    for (const EncoderSetting& s : options) {
        const QString key = QString::fromStdString(s.Key);
        const std::string k = s.Key;
        if (s.Kind == SettingKind::Choice) {
            auto* box = new QComboBox(this);
            box->setObjectName(key);
            for (const SettingChoice& c : s.Choices) box->addItem(QString::fromStdString(c.Label), c.Value);
            connect(box, &QComboBox::currentIndexChanged, this, [this, box, k](int i) {
                if (i >= 0) SetValue(k, box->itemData(i).toInt());
            });
            combos_[k] = box;
            form->addRow(QString::fromStdString(s.Label), box);
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
        form->addRow(QString::fromStdString(s.Label), row);
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
        box->setCurrentIndex(box->findData(settings_.Get(key, 0)));
    }
    for (auto& [key, spin] : spins_) {
        const QSignalBlocker block(spin);
        spin->setValue(settings_.Get(key, spin->minimum()));
    }
    for (auto& [key, slider] : sliders_) {
        const QSignalBlocker block(slider);
        slider->setValue(settings_.Get(key, slider->minimum()));
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
