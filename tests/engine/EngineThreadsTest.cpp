// The engine's threads: each device delivers on its own, the preview works on its own
// thread and only for pictures someone will see. (DeviceChangesTest opens devices off the
// window's thread.)
#include "EngineTest.h"
#include "engine/core/devices/Devices.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pelta;
using namespace pelta::engine;
using pelta::test::Pump;

namespace {

using EngineThreads = test::MediaTest;

// A picture listener that does not return until it is let go, and counts the sound that
// arrives meanwhile.
struct StuckPictureListener final : FrameListener {
    std::mutex m;
    std::condition_variable cv;
    bool stuck = false, release = false;
    int64_t samplesWhileStuck = 0;
    void OnVideoFrame(const AVFrame*, AVRational) override {
        std::unique_lock l(m);
        if (release) return;
        stuck = true;
        cv.notify_all();
        cv.wait(l, [&] { return release; });
    }
    void OnAudioFrame(const AVFrame* f, AVRational) override {
        std::lock_guard l(m);
        if (stuck && !release) samplesWhileStuck += f->nb_samples;
        cv.notify_all();
    }
    void OnSourceLost(bool, const std::string&) override {}
};

// The bound: while a picture listener is stuck, sound goes on being delivered, at least a
// whole second of it, on the sound device's own pace.
TEST_F(EngineThreads, AStuckPictureListenerDoesNotHoldUpTheSound) {
    EngineCore core;
    StuckPictureListener listener;
    core.AddListener(&listener);
    test::UseTestPattern(core);
    test::UseTestTone(core);
    const int rate = core.CurrentAudioFormat().SampleRate;
    ASSERT_GT(rate, 0);
    bool flowed = false;
    {
        std::unique_lock l(listener.m);
        flowed = listener.cv.wait_for(l, std::chrono::seconds(20),
                                      [&] { return listener.stuck && listener.samplesWhileStuck >= rate; });
        listener.release = true;
        listener.cv.notify_all();
    }
    EXPECT_TRUE(flowed) << listener.samplesWhileStuck << " samples arrived while the picture listener was stuck";
    core.RemoveListener(&listener);
}

// The compressor tap encodes a picture only when the preview will show it.
TEST_F(EngineThreads, TheCompressorTapEncodesNothingWhileThePreviewIsNotSeen) {
    CaptureEngine engine;
    engine.resize(400, 300);
    test::UseTestPattern(engine, 0);  // 320x240
    const int32_t mjpeg = test::IndexNamed(engine.VideoCompressorList(), "Motion JPEG");
    ASSERT_GE(mjpeg, 0);
    engine.VideoCompressorList().SetSelected(mjpeg);
    engine.SetPreviewTap(2);
    engine.SetPreviewOn(true);
    engine.show();
    const auto grows = [&] {
        const int64_t before = engine.PreviewPicturesCompressed();
        return test::PumpUntil([&] { return engine.PreviewPicturesCompressed() > before; }, 5000);
    };
    // Pictures handed over before the change may still be finishing: let them.
    const auto staysStill = [&] {
        Pump(300);
        const int64_t before = engine.PreviewPicturesCompressed();
        Pump(1200);
        return engine.PreviewPicturesCompressed() == before;
    };
    ASSERT_TRUE(grows());

    engine.hide();
    EXPECT_TRUE(staysStill()) << "hidden";
    engine.showMinimized();
    EXPECT_TRUE(staysStill()) << "minimised";
    engine.showNormal();
    EXPECT_TRUE(grows()) << "shown again";
    engine.SetPreviewOn(false);
    EXPECT_TRUE(staysStill()) << "preview off";
    engine.SetPreviewOn(true);
    engine.SetPreviewInput(2);
    EXPECT_TRUE(staysStill()) << "sound only";
}

// The sound server is asked with bounded waits on the caller's thread: a server that never
// answers costs the timeout and leaves no lookup running behind.
TEST(DeviceDiscovery, AServerThatNeverAnswersCostsTheTimeoutAndLeavesNoLookupBehind) {
    const std::string path = "/tmp/pelta-mute-server-" + std::to_string(getpid());
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    unlink(path.c_str());
    ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(server, 4), 0);
    const test::ScopedEnv mute("PULSE_SERVER", "unix:" + path);

    const int pendingBefore = PendingDeviceLookups();
    EXPECT_TRUE(DiscoverAudioOutputs().empty());
    EXPECT_EQ(PendingDeviceLookups(), pendingBefore);

    close(server);  // the waiting connection is refused now, and the lookup ends
    unlink(path.c_str());
    EXPECT_TRUE(test::WaitUntil([&] { return PendingDeviceLookups() <= pendingBefore; }, 30000));
    EXPECT_EQ(PendingDeviceLookups(), pendingBefore);
}

}  // namespace
