// The two dialogs about the preview: Video Display (how the picture is drawn) and
// Preview Properties (how often and how well, and where the picture is taken from).
#pragma once

#include "engine/dialogs/PropertyDialog.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace pelta {

class CaptureEngine;

class VideoDisplayDialog final : public PropertyDialog {
    Q_OBJECT
public:
    VideoDisplayDialog(CaptureEngine& engine, QWidget* parent = nullptr);
    QComboBox* cmbAspect = nullptr;
    QCheckBox* chkSmooth = nullptr;
    QSpinBox* spnMaxRate = nullptr;

private:
    CaptureEngine& engine_;
};

class PreviewPropertiesDialog final : public PropertyDialog {
    Q_OBJECT
public:
    PreviewPropertiesDialog(CaptureEngine& engine, QWidget* parent = nullptr);
    QComboBox* cmbQuality = nullptr;
    QSpinBox* spnCaptureRate = nullptr;
    QComboBox* cmbTap = nullptr;

private:
    CaptureEngine& engine_;
};

}  // namespace pelta
