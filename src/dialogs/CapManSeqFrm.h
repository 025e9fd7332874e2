// The Manual Frame Sequence window: the capture runs while it is open; each "Capture Frame"
// adds one picture.
#pragma once

#include "engine/core/EngineContract.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;

namespace pelta {

class DialogChrome;
class xpcmdbutton;

class CapManSeqFrm final : public QDialog {
    Q_OBJECT
public:
    // `writeStatus(bCompleted)` is the main window's WriteCaptureStatus.
    CapManSeqFrm(engine::CaptureEngineContract& engine, std::function<void(bool)> writeStatus,
                 QWidget* parent = nullptr);

    int32_t gCaptureMode = engine::CaptureMode::ManualFrames;

    // The load steps: called when the window is shown (the mode is set by then).
    void Load();
    void CaptureFrameClick();
    void StopClick();

    QLineEdit* edtFrameCount = nullptr;
    xpcmdbutton* btnCapture = nullptr;
    xpcmdbutton* btnStop = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int r) override;

private:
    void Unload();

    engine::CaptureEngineContract& engine_;
    std::function<void(bool)> writeStatus_;
    DialogChrome* chrome_ = nullptr;
    bool loaded_ = false;
    bool began_ = false;  // the engine accepted the sequence
    bool unloaded_ = false;
};

}  // namespace pelta
