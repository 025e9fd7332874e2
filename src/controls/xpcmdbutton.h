// The program's own skinned push button. It paints one of five skin looks (normal,
// pressed, disabled, hot, highlighted), shows a centred caption and passes its mouse and
// keyboard events on to the window that holds it. A button marked Default or Cancel
// raises Click when Enter or Escape reaches its window. With the focus, it shows a focus
// mark and Space or Enter press it. Underneath it is a QAbstractButton, so screen readers
// meet a push button named by its caption, and their "press" raises Click.
#pragma once

#include <QAbstractButton>
#include "controls/KeyCodes.h"

#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <cstdint>

class QLabel;

namespace pelta {

class xpcmdbutton : public QAbstractButton {
    Q_OBJECT
public:
    // `name` is the object name and the display name a new button takes as its caption.
    explicit xpcmdbutton(QWidget* parent = nullptr, const QString& name = QString());
    ~xpcmdbutton() override;

    // Properties
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool New_Enabled);
    int32_t State() const { return state_; }
    void SetState(int32_t vNewValue);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& vNewCaption);

    // Enter (Default) or Escape (Cancel) in the window holding the button raises Click.
    bool IsDefault() const { return default_; }
    void SetDefault(bool on);
    bool IsCancel() const { return cancel_; }
    void SetCancel(bool on);

    // Persistence through a property bag. A value equal to its default is not written;
    // "Font" is read but never written, so the container's font applies.
    void InitProperties(const QString& displayName, const QFont& containerFont);
    void ReadProperties(const QVariantMap& bag, const QString& displayName, const QFont& containerFont);
    void WriteProperties(QVariantMap& bag, const QString& displayName) const;
    // Property names changed since the last write ("Enabled", "State", "Caption").
    QSet<QString> ChangedProperties() const { return changed_; }

    // The look on screen now (a skin cell 0..4), and the rest look chosen by State.
    int CurrentCell() const { return cell_; }
    int nRestCell() const { return nRestCell_; }
    QLabel* CaptionLabel() const { return lbl_; }

    // Caption colours.
    static QColor EnabledCaptionColour();
    static QColor DisabledCaptionColour();

signals:
    void Click();
    void KeyDown(int16_t& KeyCode, int16_t& Shift);
    void KeyPress(int16_t& KeyAscii);
    void KeyUp(int16_t& KeyCode, int16_t& Shift);
    void MouseOut();
    void MouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y);
    void MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y);
    void MouseUp(int16_t& Button, int16_t& Shift, float& X, float& Y);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void RedrawAtRest();
    void PaintCell(int c);
    void CentreCaption();
    void ApplyCaptionColour();
    void WatchWindow();
    void PointerLeft();

    QLabel* lbl_ = nullptr;
    QString caption_;
    int32_t state_ = 0;
    int nRestCell_ = 0;
    int cell_ = 0;
    bool hovering_ = false;  // between the first move over the button and the pointer leaving
    bool default_ = false;
    bool cancel_ = false;
    bool spaceDown_ = false;  // Space went down with the focus here; its release clicks
    QPointer<QWidget> watchedWindow_;
    QSet<QString> changed_;
};

// Button mask: 1 left, 2 right, 4 middle.
int16_t ButtonMask(Qt::MouseButtons buttons);

}  // namespace pelta
