// Measures how late sound reaches the engine's listeners while the picture path is busy:
// the screen (1920x1080 at 30, changing whole every frame) is previewed through the video
// compressor (encoded and decoded again for every picture), and the sound comes from a
// sound server's null sink monitor.
//
//   sound_delay_bench [seconds] [mjpeg|x264]
//
// Needs DISPLAY (at least 3840x1080: the preview window sits beside the captured region)
// and a sound server with a sink called "nullsink" (scripts/bench.sh starts both).
//
// How late: a listener of the engine's own notes when each block of sound reaches it. The
// samples come at the sound card's steady pace, so a block that ends at sample n is due
// n / rate after the first; the lateness of a block is its arrival less that, and the
// delay is the lateness above the smallest one seen. It is measured from outside the
// engine's threads, so the same benchmark measures any version of the engine.
#include "BenchGrab.h"
#include "BenchProcess.h"
#include "BenchScreen.h"
#include "engine/CaptureEngine.h"
#include "engine/core/devices/SourceSettings.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Arrivals final : pelta::engine::FrameListener {
    // Filled only up to its reserved size: nothing allocates on the sound thread.
    std::vector<std::pair<Clock::time_point, double>> seen;  // arrival, due time in seconds
    std::atomic<bool> recording{false};
    std::atomic<long> pictures{0};
    Arrivals() { seen.reserve(1 << 16); }
    void OnVideoFrame(const AVFrame*, AVRational) override { ++pictures; }
    void OnAudioFrame(const AVFrame* f, AVRational tb) override {
        if (!recording || seen.size() == seen.capacity() || tb.num <= 0) return;
        seen.emplace_back(Clock::now(), double(f->pts + f->nb_samples) * tb.num / tb.den);
    }
    void OnSourceLost(bool, const std::string&) override {}
};

struct Delays {
    long blocks = 0, pictures = 0, shown = 0;
    double median = 0, p99 = 0, worst = 0;
};

// Runs the engine in this process for `seconds` and returns the delays of the last part.
Delays RunEngine(double seconds, bool busy, const std::string& codec, int argc, char** argv) {
    QApplication app(argc, argv);
    pelta::CaptureEngine engine;
    pelta::engine::EngineCore& core = bench::ShowBesideGrab(engine);
    for (size_t i = 0; i < core.AudioDevices().size(); ++i)
        if (core.AudioDevices()[i].Url == "nullsink.monitor") engine.AudioInputs().SetSelected(int32_t(i));
    if (!core.SelectedAudioDevice() || core.SelectedAudioDevice()->Url != "nullsink.monitor") {
        std::fprintf(stderr, "sound_delay_bench: no sound server with a null sink \"nullsink\"\n");
        return {};
    }
    auto& comps = engine.VideoCompressorList();
    const std::string want = codec == "x264" ? "H.264 (x264)" : "Motion JPEG";
    for (int32_t i = 0; i < comps.Count(); ++i)
        if (comps.Item(i).DisplayName == want) comps.SetSelected(i);
    engine.SetPreviewFit(2);
    engine.SetPreviewTap(2);  // the compressor's picture
    engine.SetPreviewOn(busy);

    Arrivals arrivals;
    core.AddListener(&arrivals);
    // Start-up (loading Qt and the codecs, opening devices) is left out.
    QTimer::singleShot(2000, &app, [&] { arrivals.recording = true; });
    QTimer::singleShot(int((2 + seconds) * 1000), &app, [&] { arrivals.recording = false; app.quit(); });
    app.exec();
    core.RemoveListener(&arrivals);
    usleep(200000);  // a block being noted as recording stopped is done

    Delays d;
    d.blocks = long(arrivals.seen.size());
    d.pictures = arrivals.pictures;
    d.shown = long(engine.PreviewPicturesShown());
    if (arrivals.seen.empty()) return d;
    const Clock::time_point t0 = arrivals.seen.front().first;
    std::vector<double> late;
    for (const auto& [at, due] : arrivals.seen)
        late.push_back(std::chrono::duration<double>(at - t0).count() - (due - arrivals.seen.front().second));
    const double least = *std::min_element(late.begin(), late.end());
    for (double& l : late) l = 1000 * (l - least);
    std::sort(late.begin(), late.end());
    d.median = late[late.size() / 2];
    d.p99 = late[std::min(late.size() - 1, late.size() * 99 / 100)];
    d.worst = late.back();
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const std::string codec = argc > 2 ? argv[2] : "mjpeg";
    const char* display = std::getenv("DISPLAY");
    if (!display) {
        std::fprintf(stderr, "sound_delay_bench: no DISPLAY\n");
        return 1;
    }
    const pid_t animator = fork();
    if (animator == 0) bench::AnimateScreen(display, false);
    std::printf("sound delivery delay, %.0f s, sound from nullsink.monitor, screen 1920x1080 at 30 changing whole "
                "every frame, preview tap on the compressor (%s)\n",
                seconds, codec.c_str());
    for (const bool busy : {false, true}) {
        const double load = bench::WaitForQuiet();
        int fds[2];
        if (pipe(fds) != 0) return 1;
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const Delays d = RunEngine(seconds, busy, codec, argc, argv);
            if (write(fds[1], &d, sizeof d) < 0) _exit(2);
            _exit(0);
        }
        close(fds[1]);
        Delays d;
        if (read(fds[0], &d, sizeof d) != ssize_t(sizeof d)) d = {};
        close(fds[0]);
        waitpid(pid, nullptr, 0);
        const char* what = busy ? "preview on " : "preview off";
        std::printf("  %s  delay median %6.2f ms  p99 %6.2f ms  worst %6.2f ms   (sound blocks %ld, pictures %ld, "
                    "previewed %ld, load before %.2f)\n",
                    what, d.median, d.p99, d.worst, d.blocks, d.pictures, d.shown, load);
        std::printf("RESULT sound %s %s median_ms=%.2f p99_ms=%.2f worst_ms=%.2f blocks=%ld pictures=%ld previewed=%ld "
                    "load=%.2f\n",
                    codec.c_str(), busy ? "busy" : "idle", d.median, d.p99, d.worst, d.blocks, d.pictures, d.shown,
                    load);
        std::fflush(stdout);
    }
    kill(animator, SIGKILL);
    waitpid(animator, nullptr, 0);
    return 0;
}
