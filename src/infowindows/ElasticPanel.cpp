#include "infowindows/ElasticPanel.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace pelta {

VideoSoftElastic::VideoSoftElastic(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VideoSoftElastic1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
}

void VideoSoftElastic::Place(QWidget* child, int leftTwips, int topTwips, int widthTwips, int heightTwips) {
    if (!child) return;
    if (child->parentWidget() != this) child->setParent(this);
    const QSize hint = child->sizeHint();
    const int w = widthTwips > 0 ? TwipsToPixels(widthTwips) : hint.width();
    const int h = heightTwips > 0 ? TwipsToPixels(heightTwips) : hint.height();
    child->setGeometry(TwipsToPixels(leftTwips), TwipsToPixels(topTwips), w, h);
}

void VideoSoftElastic::SetGradient(const QColor& top, const QColor& bottom) {
    top_ = top;
    bottom_ = bottom;
    update();
}

void VideoSoftElastic::SetFillsParent(bool fills) {
    fillsParent_ = fills;
    if (fills && parentWidget()) setGeometry(parentWidget()->rect());
}

void VideoSoftElastic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, top_);
    g.setColorAt(1, bottom_);
    p.fillRect(rect(), g);
}

void VideoSoftElastic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
    QWidget::mousePressEvent(event);
}

bool VideoSoftElastic::eventFilter(QObject* watched, QEvent* event) {
    if (fillsParent_ && watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

}  // namespace pelta
