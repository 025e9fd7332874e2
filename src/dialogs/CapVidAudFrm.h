// The Capture Video and Audio dialog: capture file and type, mode, time limit, frame rate,
// master stream and two automatic-naming preferences. OK writes the choices into the
// engine and the settings store and closes with DialogResult 1; the main window then
// starts the capture. The dialog never starts one itself.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace pelta {

namespace engine {
class CaptureEngineContract;
}
class DialogChrome;
class xpcmdbutton;

class CapVidAudFrm : public QDialog {
    Q_OBJECT
public:
    explicit CapVidAudFrm(engine::CaptureEngineContract& engine, QWidget* parent = nullptr);
    ~CapVidAudFrm() override;

    // 1 after a successful OK, 2 otherwise.
    int16_t DialogResult = 2;
    // The capture mode chosen: 1 video and audio, 2 video only, 3 audio only.
    int16_t nMode = 0;

    void CheckOKButton();
    void ModeChanged();
    // Size of a file in bytes (0 when it cannot be opened).
    int64_t GetSize(const QString& FileName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Load();
    void OnCaptureFileChanged();
    void OnUseTimeLimitClick();
    void OnUseFrameRateClick();
    void OnModeClick();
    void SelectOps(int index);
    void OpsClick(int index);
    void OnBrowse();
    void OnOK();
    void OnCancel();
    void SaveSetting(const QString& key, const QString& value);
    QString CaptureFileText() const;  // trimmed
    // Checks the typed name before OK writes anything; false (the user was told) to stay open.
    bool CheckCaptureName();
    QString captureFolder_;  // the folder of the name shown at load: a relative name is in it

    engine::CaptureEngineContract& engine_;
    DialogChrome* chrome_ = nullptr;
    std::array<int16_t, 3> ModeTable_{};

    QLineEdit* edtCaptureFile = nullptr;
    xpcmdbutton* btnBrowse = nullptr;
    QLabel* LblExists = nullptr;
    QLabel* lblFreeDiskSpace = nullptr;
    QLineEdit* edtCapFileSize = nullptr;
    QComboBox* cmbMode = nullptr;
    QCheckBox* chkUseTimeLimit = nullptr;
    QLineEdit* edtTimeLimit = nullptr;
    QCheckBox* chkUseFrameRate = nullptr;
    QLineEdit* edtFrameRate = nullptr;
    QLabel* lblFPS = nullptr;
    QLabel* lblMasterStream = nullptr;
    QComboBox* cmbMasterStream = nullptr;
    QFrame* Frame1 = nullptr;
    std::array<QRadioButton*, 3> Ops{};
    QLabel* LblSound = nullptr;
    QCheckBox* ChkTimeStamp = nullptr;
    QCheckBox* ChkAutoName = nullptr;
    xpcmdbutton* btnOK = nullptr;
    xpcmdbutton* btnCancel = nullptr;
};

}  // namespace pelta
