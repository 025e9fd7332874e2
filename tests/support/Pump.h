// Runs the Qt event loop for a while, so that the engine's queued events and repaints
// reach the widgets.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

namespace pelta::test {

inline void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace pelta::test
