// The Allocate Capture File dialog: names the capture file and sets space aside for it.
#pragma once

#include "engine/core/EngineContract.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace pelta {

class DialogChrome;
class xpcmdbutton;

class AllocCapFileFrm final : public QDialog {
    Q_OBJECT
public:
    explicit AllocCapFileFrm(engine::CaptureEngineContract& engine, QWidget* parent = nullptr);
    ~AllocCapFileFrm() override;

    void CheckOKButton();
    void BrowseClick();
    void OKClick();

    QLineEdit* edtCaptureFile = nullptr;
    QLineEdit* edtCapFileSize = nullptr;
    QLabel* lblFreeDiskSpace = nullptr;
    xpcmdbutton* btnBrowse = nullptr;
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
