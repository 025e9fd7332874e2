// Audio format: the sample rate and channels asked of the selected audio device.
#pragma once

#include "engine/dialogs/PropertyDialog.h"

class QComboBox;

namespace pelta {

class CaptureEngine;

class AudioFormatDialog final : public PropertyDialog {
    Q_OBJECT
public:
    AudioFormatDialog(CaptureEngine& engine, QWidget* parent = nullptr);
    QComboBox* cmbRate = nullptr;
    QComboBox* cmbChannels = nullptr;

private:
    void Apply();
    CaptureEngine& engine_;
};

}  // namespace pelta
