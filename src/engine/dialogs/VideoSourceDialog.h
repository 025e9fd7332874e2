// Video source: a camera's own controls as its driver lists them, live; for a screen the
// region to grab, following the mouse and drawing the cursor; for the test pattern which
// pattern.
#pragma once

#include "engine/core/devices/SourceSettings.h"
#include "engine/core/devices/V4l2Device.h"
#include "engine/dialogs/PropertyDialog.h"

#include <map>
#include <memory>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace pelta::engine {
class EngineCore;
}

namespace pelta {

class CaptureEngine;

class VideoSourceDialog final : public PropertyDialog {
    Q_OBJECT
public:
    VideoSourceDialog(CaptureEngine& engine, QWidget* parent = nullptr);
    ~VideoSourceDialog() override;

    // Whether the selected device has anything to set here.
    static bool HasContents(const engine::EngineCore& core);

    // Screens
    QSpinBox* spnLeft = nullptr;
    QSpinBox* spnTop = nullptr;
    QSpinBox* spnWidth = nullptr;
    QSpinBox* spnHeight = nullptr;
    QCheckBox* chkFollowMouse = nullptr;
    QCheckBox* chkDrawCursor = nullptr;
    // Test pattern
    QComboBox* cmbPattern = nullptr;
    // Cameras: one widget per control, named after the control id ("ctrl<id>").
    void SetCameraControl(uint32_t id, int32_t value);

private:
    void BuildScreen(const engine::VideoSourceSettings& s, int screenW, int screenH);
    void BuildCamera(const std::string& path);
    void Apply(const engine::VideoSourceSettings& s);

    CaptureEngine& engine_;
    std::unique_ptr<engine::V4l2Device> camera_;
    std::map<uint32_t, QWidget*> controls_;
};

}  // namespace pelta
