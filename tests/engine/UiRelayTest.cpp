// The hand-over from the engine's threads to the UI thread: everything sent arrives, on the
// UI thread, in each sender's order, also while senders race each other and the drain (the
// ThreadSanitizer run checks the hand-over itself); a runaway sender is cut off, not queued
// without end.
#include "engine/UiRelay.h"
#include "support/Pump.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

using pelta::UiRelay;

TEST(UiRelay, WorkFromRacingThreadsArrivesWholeInOrderOnTheUiThread) {
    UiRelay relay;
    constexpr int kSenders = 3, kEach = 2000;
    std::vector<std::vector<int>> got(kSenders);  // UI thread only
    std::atomic<int> arrived[kSenders] = {};
    bool offThread = false;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < kEach; ++i) {
                // At most 32 on their way per sender, as the engine's coalescing senders keep it.
                while (i - arrived[s] > 32) std::this_thread::yield();
                relay.Send([&, s, i] {
                    offThread = offThread || QThread::currentThread() != qApp->thread();
                    got[size_t(s)].push_back(i);
                    ++arrived[s];
                });
            }
        });
    const bool all = pelta::test::PumpUntil([&] {
        for (const auto& g : got)
            if (g.size() < size_t(kEach)) return false;
        return true;
    });
    for (auto& t : senders) t.join();
    pelta::test::Pump(50);
    EXPECT_TRUE(all);
    EXPECT_EQ(relay.Dropped(), 0u);
    EXPECT_FALSE(offThread);
    for (const auto& g : got) {
        ASSERT_EQ(g.size(), size_t(kEach));
        for (int i = 0; i < kEach; ++i) ASSERT_EQ(g[size_t(i)], i);
    }
}

TEST(UiRelay, ARunawaySenderIsCutOffAndWhatWasQueuedStillArrives) {
    UiRelay relay;
    int ran = 0;
    std::thread sender([&] {
        for (size_t i = 0; i < UiRelay::kMaxQueued + 10; ++i) relay.Send([&] { ++ran; });
    });
    sender.join();  // nothing drained meanwhile: the UI thread was not in its event loop
    EXPECT_EQ(relay.Dropped(), 10u);
    EXPECT_TRUE(pelta::test::PumpUntil([&] { return ran == int(UiRelay::kMaxQueued); }));
    relay.Send([&] { ++ran; });  // room again once drained
    EXPECT_TRUE(pelta::test::PumpUntil([&] { return ran == int(UiRelay::kMaxQueued) + 1; }));
}
