// Capture properties: how captures are buffered and written, and the pictures the last
// (or running) capture could not keep, by cause.
#pragma once

#include "engine/dialogs/PropertyDialog.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QTimer;

namespace pelta {

class CaptureEngine;

class CaptureSettingsDialog final : public PropertyDialog {
    Q_OBJECT
public:
    CaptureSettingsDialog(CaptureEngine& engine, QWidget* parent = nullptr);
    QSpinBox* spnVideoQueue = nullptr;
    QSpinBox* spnAudioQueue = nullptr;
    QComboBox* cmbWhenBehind = nullptr;
    QLabel* lblDeviceGaps = nullptr;
    QLabel* lblEncoderBehind = nullptr;
    QLabel* lblDiskBehind = nullptr;
    QLabel* lblClockCorrection = nullptr;
    QLabel* lblDiscarded = nullptr;

    void ShowCounts();

private:
    void Apply();
    CaptureEngine& engine_;
};

}  // namespace pelta
