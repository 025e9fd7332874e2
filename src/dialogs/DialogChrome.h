// The look every dialog shares: a frameless window filled by the shaded background panel,
// its own title as a label on the panel (a text beginning with the product name), and a
// label "x" (`LblEnd`) that closes the window with no other action. Dragging the title
// moves the window.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <utility>

class QDialog;
class QEvent;
class QLabel;

namespace pelta {
class xpcmdbutton;
}

namespace pelta {

class VideoSoftElastic;

class DialogChrome : public QObject {
    Q_OBJECT
public:
    // `title` is shown as is; `titleName` is the title label's object name.
    DialogChrome(QDialog* dialog, const QString& title, const QString& titleName = QStringLiteral("Label3"));

    VideoSoftElastic* Panel() const { return panel_; }
    QLabel* Title() const { return title_; }
    QLabel* LblEnd() const { return end_; }

    static QString ProductName() { return QStringLiteral("Pelta-RX"); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceCloseBox();

    QDialog* dialog_;
    VideoSoftElastic* panel_;
    QLabel* title_;
    QLabel* end_;
    QPoint dragOffset_;
    bool dragging_ = false;
};

// A named label on a dialog panel at a pixel rectangle.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry);
// A named skinned button with its caption at a pixel rectangle.
xpcmdbutton* MakeButton(QWidget* parent, const QString& name, const QString& caption, QRect geometry);

// A named control of any kind on a dialog panel at a pixel rectangle.
template <typename Control>
Control* MakeControl(QWidget* parent, const QString& name, QRect geometry) {
    auto* c = new Control(parent);
    c->setObjectName(name);
    c->setGeometry(geometry);
    return c;
}

// A dialog's OK button (the default) and Cancel button (the cancel), 75 by 23 pixels each
// at the given corners: {btnOK, btnCancel}.
std::pair<xpcmdbutton*, xpcmdbutton*> MakeOkCancel(QWidget* parent, QPoint ok, QPoint cancel);

// Digits and backspace pass the numeric boxes' key filter; everything else is discarded.
bool NumericKeyPasses(int key, const QString& text);
// The numeric boxes' key filter as an event-filter step: true for a key press that types a
// printable character other than a digit (the event is then dropped). Navigation and
// editing keys and shortcuts pass.
bool DropsNonDigitKey(const QEvent* event);

}  // namespace pelta
