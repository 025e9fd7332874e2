#include "mainwindow/StatusText.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace pelta {

QString NumberText(int64_t value) { return QString::number(value); }

QString NumberText(double value) {
    if (!std::isfinite(value)) return QString::number(value);
    QString s = QString::number(value, 'g', 15);
    const QString point = QLocale::system().decimalPoint();
    if (point != QStringLiteral(".")) s.replace(u'.', point);
    return s;
}

QString ReadableNumberText(double value) {
    if (!std::isfinite(value) || value == 0 || std::fabs(value) >= 1e15) return NumberText(value);
    const int magnitude = int(std::floor(std::log10(std::fabs(value))));
    // Fixed notation: a person reads 0.00000467 more easily than 4.67e-06.
    QString s = QString::number(value, 'f', std::clamp(2 - magnitude, 3, 15));
    while (s.endsWith(u'0')) s.chop(1);
    if (s.endsWith(u'.')) s.chop(1);
    if (s == QStringLiteral("-0")) s = QStringLiteral("0");
    const QString point = QLocale::system().decimalPoint();
    if (point != QStringLiteral(".")) s.replace(u'.', point);
    return s;
}

}  // namespace pelta
