#include "engine/dialogs/CaptureSettingsDialog.h"

#include "engine/CaptureEngine.h"
#include "engine/core/record/CaptureSession.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

namespace pelta {

using namespace engine;

CaptureSettingsDialog::CaptureSettingsDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("CaptureSettingsDialog"), tr("Capture Properties"), parent),
      engine_(engine) {
    const CaptureQueueSettings s = engine.Recorder().QueueSettings();
    spnVideoQueue = AddNumber(QStringLiteral("spnVideoQueue"), tr("&Pictures waiting for the encoder:"), 2,
                              120, s.VideoFrames);
    spnAudioQueue = AddNumber(QStringLiteral("spnAudioQueue"), tr("&Sound waiting for the encoder:"), 1, 30,
                              s.AudioSeconds);
    spnAudioQueue->setSuffix(tr(" s"));
    cmbWhenBehind = AddChoice(QStringLiteral("cmbWhenBehind"), tr("&When the encoder falls behind:"),
                              {{tr("Drop the newest picture"), false},
                               {tr("Drop the oldest waiting picture"), true}},
                              s.DropOldest);
    lblDeviceGaps = AddInfo(QStringLiteral("lblDeviceGaps"), tr("Dropped, device late:"), {});
    lblEncoderBehind = AddInfo(QStringLiteral("lblEncoderBehind"), tr("Dropped, encoder behind:"), {});
    lblDiskBehind = AddInfo(QStringLiteral("lblDiskBehind"), tr("Dropped, disk behind:"), {});
    lblClockCorrection =
        AddInfo(QStringLiteral("lblClockCorrection"), tr("Dropped, kept in step with the sound:"), {});
    lblDiscarded = AddInfo(QStringLiteral("lblDiscarded"), tr("Pictures beyond the frame rate:"), {});
    ShowCounts();
    // The counts keep moving while a capture runs.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &CaptureSettingsDialog::ShowCounts);
    refresh->start(500);
    connect(spnVideoQueue, &QSpinBox::valueChanged, this, &CaptureSettingsDialog::Apply);
    connect(spnAudioQueue, &QSpinBox::valueChanged, this, &CaptureSettingsDialog::Apply);
    connect(cmbWhenBehind, &QComboBox::currentIndexChanged, this, &CaptureSettingsDialog::Apply);
}

void CaptureSettingsDialog::ShowCounts() {
    const DropCounts d = engine_.Recorder().DroppedByCause();
    lblDeviceGaps->setText(QString::number(d.DeviceGaps));
    lblEncoderBehind->setText(QString::number(d.EncoderBehind));
    lblDiskBehind->setText(QString::number(d.DiskBehind));
    lblClockCorrection->setText(QString::number(d.ClockCorrection));
    lblDiscarded->setText(QString::number(d.Discarded));
}

void CaptureSettingsDialog::Apply() {
    CaptureQueueSettings s = engine_.Recorder().QueueSettings();
    s.VideoFrames = spnVideoQueue->value();
    s.AudioSeconds = spnAudioQueue->value();
    s.DropOldest = cmbWhenBehind->currentData().toBool();
    engine_.Recorder().SetQueueSettings(s);
}

}  // namespace pelta
