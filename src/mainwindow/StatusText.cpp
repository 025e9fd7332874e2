#include "mainwindow/StatusText.h"

#include <QLocale>
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

}  // namespace pelta
