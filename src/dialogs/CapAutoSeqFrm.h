// The Automatic Frame Sequence dialog: the delay between frames and an optional time limit.
#pragma once

#include "dialogs/DialogChrome.h"  // NumericKeyPasses
#include "engine/core/EngineContract.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace pelta {

class DialogChrome;
class xpcmdbutton;

class CapAutoSeqFrm final : public QDialog {
    Q_OBJECT
public:
    explicit CapAutoSeqFrm(engine::CaptureEngineContract& engine, QWidget* parent = nullptr);

    int16_t DialogResult = 2;
    void CheckOKButton();
    void OKClick();

    QLineEdit* edtFrameDelay = nullptr;
    QLineEdit* edtTimeLimit = nullptr;
    QCheckBox* chkUseTimeLimit = nullptr;
    xpcmdbutton* btnOK = nullptr;
    xpcmdbutton* btnCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Load();
    engine::CaptureEngineContract& engine_;
    DialogChrome* chrome_ = nullptr;
};

}  // namespace pelta
