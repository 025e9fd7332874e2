#include "menus/MenuRules.h"

#include <QApplication>
#include <QCursor>
#include <cmath>

namespace pelta::menus {

BusyPointer::BusyPointer() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

BusyPointer::~BusyPointer() { Restore(); }

void BusyPointer::Restore() {
    if (!active_) return;
    active_ = false;
    QApplication::restoreOverrideCursor();
}

double TagNumber(const QAction* item) {
    bool ok = false;
    const double v = Tag(item).trimmed().toDouble(&ok);
    return ok ? v : 0.0;
}

int32_t TagIndex(const QAction* item) {
    const double v = std::round(TagNumber(item));
    if (v < INT32_MIN || v > INT32_MAX) return -1;
    return static_cast<int32_t>(v);
}

}  // namespace pelta::menus
