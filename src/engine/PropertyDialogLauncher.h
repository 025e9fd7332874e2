// The engine's property dialogs: which are available for the devices and compressors
// selected now, and showing them (modal, parented to the main window).
#pragma once

#include <cstdint>

class QWidget;

namespace pelta {

class CaptureEngine;

class PropertyDialogLauncher {
public:
    explicit PropertyDialogLauncher(CaptureEngine& engine) : engine_(engine) {}
    bool Available(int32_t id) const;
    // Throws EngineError when the dialog is not available.
    void Open(int32_t id, QWidget* parent);

private:
    CaptureEngine& engine_;
};

}  // namespace pelta
