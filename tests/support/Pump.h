// Waiting in tests: for the Qt event loop to bring the engine's queued events and repaints to
// the widgets, for a condition another thread brings about, or for a picture to arrive.
// Every wait is on a condition; its bound only keeps a broken program from hanging the test
// and measures nothing.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <chrono>
#include <thread>

namespace pelta::test {

// Runs the event loop for `ms`: what a running capture records in that time, or a span in
// which something must NOT happen.
inline void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Runs the event loop until `done` holds or `ms` have passed; says whether it holds.
template <typename Done>
bool PumpUntil(Done done, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The same without the event loop, for conditions that threads of the engine or a child
// process bring about.
template <typename Done>
bool WaitUntil(Done done, int ms = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// Runs the event loop until the engine's preview has shown `more` pictures beyond those it
// had shown already (what a test awaits after a change of device, size or processors).
template <typename Engine>
bool PumpForPictures(Engine& engine, int more = 1, int ms = 15000) {
    const auto shown = engine.PreviewPicturesShown();
    return PumpUntil([&] { return engine.PreviewPicturesShown() >= shown + more; }, ms);
}

}  // namespace pelta::test
