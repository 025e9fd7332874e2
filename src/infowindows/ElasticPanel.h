// The background panel of the dialogs and information windows: a gently shaded surface
// that fills its window and holds child controls at positions given in twips.
#pragma once

#include "controls/Twips.h"

#include <QColor>
#include <QWidget>

namespace pelta {

class VideoSoftElastic : public QWidget {
    Q_OBJECT
public:
    explicit VideoSoftElastic(QWidget* parent = nullptr);

    // Puts `child` on the panel at the given twip rectangle (a width or height of 0
    // keeps the child's own size hint in that direction).
    void Place(QWidget* child, int leftTwips, int topTwips, int widthTwips = 0, int heightTwips = 0);

    // Colours of the vertical gradient (top to bottom).
    void SetGradient(const QColor& top, const QColor& bottom);
    QColor TopColor() const { return top_; }
    QColor BottomColor() const { return bottom_; }

    // The panel follows its parent's size when it is the parent's background.
    void SetFillsParent(bool fills);

signals:
    // A press on the panel itself (not on a child control).
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QColor top_{250, 251, 253};
    QColor bottom_{226, 231, 240};
    bool fillsParent_ = true;
};

}  // namespace pelta
