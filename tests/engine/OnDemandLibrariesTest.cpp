// FFmpeg's device and filter libraries are loaded when something first needs them: a screen
// recorded without filters runs without them and what they link (about 17 MB resident).
// Run in a child process, since any earlier test in this program may have loaded them.
#include "Frames.h"
#include "engine/core/devices/AvSource.h"
#include "engine/core/processors/VideoProcessorChain.h"
#include "support/MediaTest.h"
#include "support/Processes.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

using namespace pelta;
using namespace pelta::engine;

namespace {

bool Mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("/" + library + ".so") != std::string::npos) return true;
    return false;
}

// Opens the device and waits for three pictures from it.
bool Delivers(const DeviceInfo& device, SizeItem size) {
    std::atomic<int> pictures{0};
    AvSource source(device, size, true, SourceCallbacks{[&](const AVFrame*, AVRational) { ++pictures; }, {}});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pictures < 3 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return pictures >= 3;
}

TEST(OnDemandLibrariesChild, EachLoadsWhenFirstNeeded) {
    const char* report = std::getenv("PELTA_ON_DEMAND_CHILD");
    if (!report) GTEST_SKIP() << "only run as the child of OnDemandLibraries.EachLoadsWhenFirstNeeded";
    const test::MediaServices& services = test::StartMediaServices();
    ASSERT_TRUE(services.XvfbUp);
    ASSERT_FALSE(Mapped("libavdevice"));
    ASSERT_FALSE(Mapped("libavfilter"));

    {
        // Where no sound server runs, ALSA lists the sound devices itself.
        QTemporaryDir noServer;
        test::ScopedEnv server("PULSE_SERVER", std::nullopt), runtime("XDG_RUNTIME_DIR", noServer.path().toStdString());
        DiscoverAudioDevices();
        DiscoverAudioOutputs();
    }
    DeviceInfo screen;
    screen.DisplayName = "Screen 0";
    screen.Kind = DeviceKind::Screen;
    screen.InputFormat = "x11grab";
    screen.Url = services.Display + ".0";
    screen.Width = 320;
    screen.Height = 240;
    EXPECT_TRUE(Delivers(screen, SizeItem{320, 240}));
    EXPECT_FALSE(Mapped("libavdevice")) << "a screen of this display needs no libavdevice";
    EXPECT_FALSE(Mapped("libavfilter"));

    // A picture filter: its graph loads libavfilter, and the picture comes out mirrored.
    processors::VideoProcessorChain chain;
    chain.SetChain(processors::ChainDescription{{processors::ChainEntry{"mirror", {}}}});
    test::FramePtr in = test::BlankPicture(AV_PIX_FMT_GRAY8, 4, 2);
    for (int x = 0; x < 4; ++x) in->data[0][x] = in->data[0][in->linesize[0] + x] = uint8_t(x * 50);
    test::FramePtr out(chain.Process(in.get(), AVRational{1, 25}));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->data[0][0], 150);
    EXPECT_TRUE(Mapped("libavfilter"));
    EXPECT_FALSE(Mapped("libavdevice"));

    // The test pattern is libavdevice's: loaded now, and it delivers.
    DeviceInfo pattern;
    pattern.Kind = DeviceKind::TestPattern;
    pattern.DisplayName = "Test Pattern";
    pattern.InputFormat = "lavfi";
    EXPECT_TRUE(Delivers(pattern, SizeItem{320, 240}));
    EXPECT_TRUE(Mapped("libavdevice"));
    test::WriteFileText(report, "ran");
}

TEST(OnDemandLibraries, EachLoadsWhenFirstNeeded) {
    PELTA_NEEDS_SERVICE(test::StartMediaServices().XvfbUp, "the private display (Xvfb)");
    QTemporaryDir dir;
    const std::string report = dir.filePath("report").toStdString();
    const pid_t pid = test::SpawnTest("OnDemandLibrariesChild.*", "PELTA_ON_DEMAND_CHILD=" + report);
    ASSERT_GT(pid, 0);
    const int status = test::WaitForExit(pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed (its output is above)";
    EXPECT_EQ(test::FileText(report), "ran") << "the child did not run to its end";
}

}  // namespace
