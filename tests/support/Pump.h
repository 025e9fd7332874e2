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

// Runs the event loop until `done` holds or `ms` have passed; says whether it holds. The
// bound only keeps a broken program from hanging the test, it measures nothing.
template <typename Done>
bool PumpUntil(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace pelta::test
