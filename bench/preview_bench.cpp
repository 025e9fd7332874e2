// Measures what the live preview costs next to the ffmpeg command line just reading the
// same screen into a null output, in the same run.
//
//   preview_bench [seconds] [still|box|whole]
//
// Needs DISPLAY (an X server to read, at least 1920x1080) and ffmpeg on the PATH. The
// preview is the real engine control at 100 %, in a 1920x1080 window on that display, so
// every frame is scaled, handed to the UI and drawn by the X server. The screen read is the
// 1920x1080 at its top left; on a screen twice as wide (scripts/bench.sh makes one) the
// preview window sits beside it instead of over it.
#include "BenchScreen.h"
#include "engine/CaptureEngine.h"

#include <QApplication>
#include <QTimer>
#include <xcb/xcb.h>
#include <csignal>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

// Counts the frames the preview was handed by watching its picture change.
long RunPreview(double seconds, int argc, char** argv) {
    QApplication app(argc, argv);
    pelta::CaptureEngine engine;
    engine.setGeometry(1920, 0, 1920, 1080);
    engine.show();
    engine.VideoInputs().SetSelected(0);
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(true);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    // Pictures the device delivered: those converted and drawn, and those skipped because
    // the screen had not changed.
    std::fprintf(stderr, "  preview  drawn %lld, unchanged and skipped %lld\n",
                 static_cast<long long>(engine.PreviewPicturesShown()),
                 static_cast<long long>(engine.PreviewPicturesSkipped()));
    return static_cast<long>(engine.PreviewPicturesShown() + engine.PreviewPicturesSkipped());
}

// Paints the whole screen in a new colour 30 times a second until killed, so that every
// grabbed picture differs from the one before.
// `box`: only a 320x240 box in the middle changes (a video playing in a window).
[[noreturn]] void AnimateScreen(const char* display, bool box) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;
    const xcb_window_t win = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, 0, 0, 1920, 1080, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, win);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, win, 0, nullptr);
    const int16_t bx = 1920 / 2 - 160, by = 1080 / 2 - 120;
    const xcb_rectangle_t all = box ? xcb_rectangle_t{bx, by, 320, 240} : xcb_rectangle_t{0, 0, 1920, 1080};
    for (uint32_t n = 0;; ++n) {
        const uint32_t colour = (n * 0x050309u) & 0xffffffu;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
        xcb_poly_fill_rectangle(c, win, gc, 1, &all);
        xcb_flush(c);
        usleep(33333);
    }
}

// Start-up (loading Qt and FFmpeg, finding devices) is left out of the steady figures:
// each side runs this much longer and is measured only after it.
constexpr double kWarmUp = 2.0;

// The CPU a child spends in the `seconds` after the warm-up.
double SteadyCpu(pid_t pid, double seconds) {
    usleep(useconds_t(kWarmUp * 1e6));
    const double before = bench::CpuSoFar(pid);
    usleep(useconds_t(seconds * 1e6));
    return bench::CpuSoFar(pid) - before;
}

struct Scenario {
    const char* name;
    bool moving;
    bool box;
};

void Measure(const Scenario& sc, double seconds, const char* display, int argc, char** argv) {
    pid_t animator = -1;
    if (sc.moving) {
        animator = fork();
        if (animator == 0) AnimateScreen(display, sc.box);
        usleep(300000);
    }
    const double maxLoad = std::getenv("BENCH_MAX_LOAD") ? std::atof(std::getenv("BENCH_MAX_LOAD"))
                                                         : double(sysconf(_SC_NPROCESSORS_ONLN));
    const double loadWait = std::getenv("BENCH_LOAD_WAIT") ? std::atof(std::getenv("BENCH_LOAD_WAIT")) : 30;
    const double loadOurs = bench::WaitForQuiet(maxLoad, loadWait);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const long frames = RunPreview(seconds + kWarmUp, argc, argv);
        const std::string s = std::to_string(frames) + "\n";
        if (write(fds[1], s.data(), s.size()) < 0) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    const double oursSteady = SteadyCpu(pid, seconds);
    const Cost ours = Wait(pid);
    char buf[64] = {};
    long frames = 0;
    if (read(fds[0], buf, sizeof buf - 1) > 0) frames = std::atol(buf);
    close(fds[0]);

    const double loadTheirs = bench::WaitForQuiet(maxLoad, loadWait);
    pid = fork();
    if (pid == 0) {
        const std::string secs = std::to_string(seconds + kWarmUp);
        execlp("ffmpeg", "ffmpeg", "-nostdin", "-loglevel", "error", "-f", "x11grab", "-framerate", "30",
               "-video_size", "1920x1080", "-i", display, "-t", secs.c_str(), "-f", "null", "-", nullptr);
        _exit(127);
    }
    const double theirsSteady = SteadyCpu(pid, seconds);
    const Cost theirs = Wait(pid);
    if (animator > 0) {
        kill(animator, SIGKILL);
        waitpid(animator, nullptr, 0);
    }
    const double total = seconds + kWarmUp;
    const double ffFrames = total * 30;
    std::printf("preview 1920x1080 at 30 fps, 100 %%, %.0f s after %.0f s of start-up, %s\n", seconds, kWarmUp,
                sc.name);
    std::printf("  load before: preview %.2f, ffmpeg %.2f\n", loadOurs, loadTheirs);
    std::printf("  preview  CPU %.3f s/s  %.2f ms/frame   whole run: frames %5ld, %.3f s/s, peak %.1f MB\n",
                oursSteady / seconds, 1000 * oursSteady / (seconds * 30), frames, ours.cpu / total,
                ours.peakKB / 1024.0);
    std::printf("  ffmpeg   CPU %.3f s/s  %.2f ms/frame   whole run: frames %5.0f, %.3f s/s, peak %.1f MB\n",
                theirsSteady / seconds, 1000 * theirsSteady / (seconds * 30), ffFrames, theirs.cpu / total,
                theirs.peakKB / 1024.0);
    if (theirsSteady > 0 && theirs.cpu > 0)
        std::printf("  ratio    CPU %.2f (whole run %.2f)  memory %.2f\n", oursSteady / theirsSteady,
                    ours.cpu / theirs.cpu, theirs.peakKB ? double(ours.peakKB) / double(theirs.peakKB) : 0.0);
    std::fflush(stdout);
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
    for (const Scenario& sc : {Scenario{"still screen", false, false}, Scenario{"a 320x240 box changing", true, true},
                               Scenario{"whole screen changing every frame", true, false}})
        if (only.empty() || std::string(sc.name).find(only) != std::string::npos)
            Measure(sc, seconds, display, argc, argv);
    return 0;
}
