// A deliberate data race between two threads of ours, for ThreadSanitizer to find under the
// project's suppressions. The racing write on the other thread runs from inside an outside
// library: a Qt queued call ("qt") or a callback on libpulse's own mainloop thread ("pulse").
// A suppression broad enough to cover a whole library, or a frame of ours, hides the race,
// and check.sh then fails.
#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <pulse/thread-mainloop.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// Written by both threads with nothing ordering the two writes: the race.
int gShared = 0;
// Relaxed, so it orders nothing for ThreadSanitizer: the main thread only learns that the
// other write has happened, and then races with it.
std::atomic<bool> gWritten{false};

[[gnu::noinline]] void CanaryWriteOnOtherThread() {
    gShared = 1;
    gWritten.store(true, std::memory_order_relaxed);
}

[[gnu::noinline]] void CanaryWriteOnMainThread() { gShared = 2; }

void WaitForOtherWrite() {
    while (!gWritten.load(std::memory_order_relaxed)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

int RaceThroughQueuedCall(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QThread worker;
    QObject receiver;
    receiver.moveToThread(&worker);
    worker.start();
    QMetaObject::invokeMethod(&receiver, [] { CanaryWriteOnOtherThread(); }, Qt::QueuedConnection);
    WaitForOtherWrite();
    CanaryWriteOnMainThread();
    worker.quit();
    worker.wait();
    return 0;
}

void PulseCallback(pa_threaded_mainloop*, void*) { CanaryWriteOnOtherThread(); }

int RaceThroughPulseCallback() {
    pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
    if (!loop || pa_threaded_mainloop_start(loop) < 0) return 3;
    pa_threaded_mainloop_once_unlocked(loop, PulseCallback, nullptr);
    WaitForOtherWrite();
    CanaryWriteOnMainThread();
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int rc = 2;
    if (argc >= 2 && std::strcmp(argv[1], "qt") == 0)
        rc = RaceThroughQueuedCall(argc, argv);
    else if (argc >= 2 && std::strcmp(argv[1], "pulse") == 0)
        rc = RaceThroughPulseCallback();
    else
        std::fprintf(stderr, "usage: %s qt|pulse\n", argv[0]);
    // Read after both threads have ended, so the compiler keeps the racing writes.
    std::printf("last write: %d\n", gShared);
    return rc;
}
