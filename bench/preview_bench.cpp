// Measures what the live preview costs next to the ffmpeg command line just reading the
// same screen into a null output, in the same run.
//
//   preview_bench [seconds] [still|box|whole]
//
// Needs DISPLAY (an X server to read, at least 1920x1080) and ffmpeg on the PATH. The
// preview is the real engine control at 100 %, in a 1920x1080 window on that display, so
// every frame is handed to the UI and drawn by the X server. With the whole screen changing
// the engine runs three times: preview off, on and visible, on with its window minimised.
// Each engine figure is split by thread: "ui" draws into the window (Qt's copy into its
// backing store and the flush), "preview" converts, "video in" grabs and decodes. The screen read is the
// 1920x1080 at its top left; on a screen twice as wide (scripts/bench.sh makes one) the
// preview window sits beside it instead of over it.
#include "BenchGrab.h"
#include "BenchProcess.h"
#include "BenchScreen.h"
#include "engine/CaptureEngine.h"
#include "engine/core/devices/SourceSettings.h"

#include <QApplication>
#include <QTimer>
#include <xcb/xcb.h>
#include <csignal>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Cost {
    double cpu = 0;
    long peakKB = 0;
};

Cost Wait(pid_t pid) {
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    return {use.ru_utime.tv_sec + use.ru_utime.tv_usec / 1e6 + use.ru_stime.tv_sec + use.ru_stime.tv_usec / 1e6,
            use.ru_maxrss};
}

enum class Preview { Off, Visible, Minimised };
const char* Name(Preview p) { return p == Preview::Off ? "off" : p == Preview::Visible ? "visible" : "minimised"; }

// Counts the frames the device delivered: those the preview converted and drew, and those
// it skipped (the screen had not changed, or nobody could see it).
long RunPreview(double seconds, Preview state, int argc, char** argv) {
    QApplication app(argc, argv);
    pelta::CaptureEngine engine;
    pelta::engine::EngineCore& core = bench::ShowBesideGrab(engine);
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(state != Preview::Off);
    // Counted by a listener of its own, so that the figure means the same with the preview off.
    struct Counter final : pelta::engine::FrameListener {
        std::atomic<long> pictures{0};
        void OnVideoFrame(const AVFrame*, AVRational) override { ++pictures; }
        void OnAudioFrame(const AVFrame*, AVRational) override {}
        void OnSourceLost(bool, const std::string&) override {}
    } counter;
    core.AddListener(&counter);
    if (state == Preview::Minimised)
        QTimer::singleShot(300, &engine, [&] { bench::IconifyLikeAWindowManager(uint32_t(engine.winId())); });
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    core.RemoveListener(&counter);
    std::fprintf(stderr, "  preview %s%s: drawn %lld, unchanged or unseen and skipped %lld\n", Name(state),
                 state == Preview::Minimised ? (engine.window()->isMinimized() ? " (Qt: minimised)" : " (Qt: NOT minimised)") : "",
                 static_cast<long long>(engine.PreviewPicturesShown()),
                 static_cast<long long>(engine.PreviewPicturesSkipped()));
    return counter.pictures.load();
}

// Start-up (loading Qt and FFmpeg, finding devices) is left out of the steady figures:
// each side runs this much longer and is measured only after it.
constexpr double kWarmUp = 2.0;

struct Scenario {
    const char* name;
    const char* key;  // short, for the summary lines
    bool moving;
    bool box;
    std::vector<Preview> states;
};

struct Steady {
    double cpu = 0;
    std::map<std::string, double> threads;
};

// The CPU a child's threads spend in the `seconds` after the warm-up, in all and by group.
Steady SteadyCost(pid_t pid, double seconds) {
    usleep(useconds_t(kWarmUp * 1e6));
    Steady before{0, bench::ThreadCpu(pid)};
    usleep(useconds_t(seconds * 1e6));
    Steady after{0, bench::ThreadCpu(pid)};
    if (std::getenv("BENCH_DEBUG"))
        for (auto& [group, cpu] : after.threads) std::printf("   %s %.3f -> %.3f\n", group.c_str(), before.threads[group], cpu);
    for (auto& [group, cpu] : after.threads) cpu -= before.threads[group];
    after.cpu = after.threads["all"];
    return after;
}

void Measure(const Scenario& sc, double seconds, const char* display, int argc, char** argv) {
    pid_t animator = -1;
    if (sc.moving) {
        animator = fork();
        if (animator == 0) bench::AnimateScreen(display, sc.box);
        usleep(300000);
    }
    const double total = seconds + kWarmUp;
    const double perFrame = 1000 / (seconds * 30);

    const double loadTheirs = bench::WaitForQuiet();
    pid_t pid = fork();
    if (pid == 0) {
        const std::string secs = std::to_string(total);
        execlp("ffmpeg", "ffmpeg", "-nostdin", "-loglevel", "error", "-f", "x11grab", "-framerate", "30",
               "-video_size", "1920x1080", "-i", display, "-t", secs.c_str(), "-f", "null", "-", nullptr);
        _exit(127);
    }
    const double theirsSteady = SteadyCost(pid, seconds).cpu;
    const Cost theirs = Wait(pid);
    std::printf("preview 1920x1080 at 30 fps, 100 %%, %.0f s after %.0f s of start-up, %s\n", seconds, kWarmUp,
                sc.name);
    std::printf("  ffmpeg read-only  CPU %.2f ms/frame  (load before %.2f, peak %.1f MB)\n", theirsSteady * perFrame,
                loadTheirs, theirs.peakKB / 1024.0);

    for (Preview state : sc.states) {
        const double loadOurs = bench::WaitForQuiet();
        int fds[2];
        if (pipe(fds) != 0) break;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            // A second longer than measured, so that it is still at work when measured last.
            const long frames = RunPreview(total + 1, state, argc, argv);
            const std::string text = std::to_string(frames) + "\n";
            if (write(fds[1], text.data(), text.size()) < 0) _exit(2);
            _exit(0);
        }
        close(fds[1]);
        Steady ours = SteadyCost(pid, seconds);
        const Cost whole = Wait(pid);
        char buf[64] = {};
        long frames = 0;
        if (read(fds[0], buf, sizeof buf - 1) > 0) frames = std::atol(buf);
        close(fds[0]);
        auto part = [&](const char* group) {
            const auto it = ours.threads.find(group);
            return it == ours.threads.end() ? 0.0 : it->second * perFrame;
        };
        const double ratio = theirsSteady > 0 ? ours.cpu / theirsSteady : 0;
        std::printf("  engine, preview %-9s CPU %.2f ms/frame = ui %.2f + preview %.2f + video in %.2f + other %.2f"
                    "   ratio %.2f   (frames %ld, load before %.2f, peak %.1f MB)\n",
                    Name(state), ours.cpu * perFrame, part("ui"), part("preview"), part("video in"), part("other"),
                    ratio, frames, loadOurs, whole.peakKB / 1024.0);
        std::printf("RESULT preview %s %s ms=%.3f ffmpeg_ms=%.3f ratio=%.2f ui=%.3f preview=%.3f video=%.3f other=%.3f "
                    "frames=%ld expected=%.0f load=%.2f\n",
                    sc.key, Name(state), ours.cpu * perFrame, theirsSteady * perFrame, ratio, part("ui"),
                    part("preview"), part("video in"), part("other"), frames, (total + 1) * 30, loadOurs);
        std::fflush(stdout);
    }
    if (animator > 0) {
        kill(animator, SIGKILL);
        waitpid(animator, nullptr, 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const char* display = std::getenv("DISPLAY");
    if (!display) {
        std::fprintf(stderr, "preview_bench: no DISPLAY to read\n");
        return 1;
    }
    // An optional second argument runs only the scenarios whose name contains it.
    const std::string only = argc > 2 ? argv[2] : "";
    const Scenario scenarios[] = {
        {"still screen", "still", false, false, {Preview::Visible}},
        {"a 320x240 box changing", "box", true, true, {Preview::Visible}},
        {"whole screen changing every frame", "whole", true, false,
         {Preview::Off, Preview::Visible, Preview::Minimised}},
    };
    for (const Scenario& sc : scenarios)
        if (only.empty() || std::string(sc.name).find(only) != std::string::npos)
            Measure(sc, seconds, display, argc, argv);
    return 0;
}
