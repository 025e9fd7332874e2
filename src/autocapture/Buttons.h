// The Auto Buttons window: a floating strip of Capture, Stop and Cancel for automatically
// named captures.
#pragma once

#include <QDate>
#include <QWidget>
#include <functional>

namespace pelta {

class xpcmdbutton;

class Buttons final : public QWidget {
    Q_OBJECT
public:
    explicit Buttons(QWidget* parent = nullptr);
    ~Buttons() override;

    void DoAutoCaptures(int16_t nMode);
    void CaptureClick();
    void StopClick();
    void CancelClick();
    // Capture offered, Stop not: the strip between captures.
    void ReadyForCapture();
    // Places the window by the screen's work area (the part the desktop's panels leave).
    void Place();

    xpcmdbutton* xpcmdbutton1 = nullptr;
    xpcmdbutton* xpcmdbutton2 = nullptr;
    xpcmdbutton* xpcmdbutton3 = nullptr;

    int16_t nAutoCount = 0;
    int16_t nSavedMode = 0;

    // The day used in dated names (tests set it).
    std::function<QDate()> Today = [] { return QDate::currentDate(); };

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Load();
    // Stops the capture and writes its final summary.
    void FinishCapture();

    QString unusedClaim_;  // the name claimed last, until a capture writes it
};

// The one Auto Buttons window; nullptr when it is not loaded and loadIfNeeded is false.
Buttons* ButtonsWindow(bool loadIfNeeded);

}  // namespace pelta
