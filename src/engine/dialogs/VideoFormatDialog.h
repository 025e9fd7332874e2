// Video format: the picture sizes, frame rates and pixel formats the selected video
// device offers.
#pragma once

#include "engine/core/devices/V4l2Device.h"
#include "engine/dialogs/PropertyDialog.h"

#include <vector>

class QComboBox;

namespace pelta {

class CaptureEngine;

class VideoFormatDialog final : public PropertyDialog {
    Q_OBJECT
public:
    VideoFormatDialog(CaptureEngine& engine, QWidget* parent = nullptr);

    QComboBox* cmbSize = nullptr;
    QComboBox* cmbRate = nullptr;
    QComboBox* cmbPixelFormat = nullptr;

private:
    void FillRates();
    void ApplySize();
    void ApplyRateAndFormat();

    CaptureEngine& engine_;
    std::vector<engine::CameraFormat> cameraFormats_;  // read from the driver once
    bool filling_ = false;
};

}  // namespace pelta
