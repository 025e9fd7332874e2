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
    : PropertyDialog(QStringLiteral("CaptureSettingsDialog"), QStringLiteral("Capture Properties"), parent),
      engine_(engine) {
    const CaptureQueueSettings s = engine.Recorder().QueueSettings();
    spnVideoQueue = AddNumber(QStringLiteral("spnVideoQueue"), QStringLiteral("&Pictures waiting for the encoder:"), 2,
                              120, s.VideoFrames);
    spnAudioQueue = AddNumber(QStringLiteral("spnAudioQueue"), QStringLiteral("&Sound waiting for the encoder:"), 1, 30,
                              s.AudioSeconds);
    spnAudioQueue->setSuffix(QStringLiteral(" s"));
    cmbWhenBehind = AddChoice(QStringLiteral("cmbWhenBehind"), QStringLiteral("&When the encoder falls behind:"),
                              {{QStringLiteral("Drop the newest picture"), false},
                               {QStringLiteral("Drop the oldest waiting picture"), true}},
                              s.DropOldest);
    lblDeviceGaps = AddInfo(QStringLiteral("lblDeviceGaps"), QStringLiteral("Dropped, device late:"), {});
    lblEncoderBehind = AddInfo(QStringLiteral("lblEncoderBehind"), QStringLiteral("Dropped, encoder behind:"), {});
    lblDiskBehind = AddInfo(QStringLiteral("lblDiskBehind"), QStringLiteral("Dropped, disk behind:"), {});
    lblClockCorrection =
        AddInfo(QStringLiteral("lblClockCorrection"), QStringLiteral("Dropped, kept in step with the sound:"), {});
    lblDiscarded = AddInfo(QStringLiteral("lblDiscarded"), QStringLiteral("Pictures beyond the frame rate:"), {});
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
