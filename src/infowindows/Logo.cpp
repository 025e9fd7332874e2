#include "infowindows/Logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pelta {

QString ProgramId() { return QStringLiteral(PELTA_PROGRAM_ID); }

void PaintLogo(QPainter& p, const QRectF& area) {
    // The frame is 4:3; the geometry below is in fractions of it so that data/icon.svg,
    // which is drawn from the same numbers, matches at every size.
    double w = area.width(), h = area.height();
    if (w * 3 > h * 4) w = h * 4 / 3;
    else h = w * 3 / 4;
    const QRectF r(area.center().x() - w / 2, area.center().y() - h / 2, w, h);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(40, 70, 130));
    g.setColorAt(1, QColor(15, 30, 70));
    QPainterPath frame;
    frame.addRoundedRect(r, h * 0.11, h * 0.11);
    p.fillPath(frame, g);
    // Sprocket holes are left out where they would be less than a pixel and a half tall.
    if (h * 0.08 >= 1.5) {
        p.setBrush(Qt::white);
        for (int i = 0; i < 5; ++i) {
            const double x = r.left() + w * (0.06 + 0.2 * i);
            p.drawRect(QRectF(x, r.top() + h * 0.06, w * 0.08, h * 0.08));
            p.drawRect(QRectF(x, r.bottom() - h * 0.14, w * 0.08, h * 0.08));
        }
    }
    p.setBrush(QColor(214, 40, 40));
    p.drawEllipse(r.center(), h * 0.2, h * 0.2);
    p.restore();
}

QImage LogoImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    PaintLogo(p, QRectF(0, 0, size, size));
    return img;
}

QIcon ProgramIcon() {
    QIcon icon = QIcon::fromTheme(ProgramId());
    if (!icon.isNull()) return icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(LogoImage(size)));
    return icon;
}

}  // namespace pelta
