// Measures what a capture costs next to the ffmpeg command line doing the same work in the
// same run, on a screen that moves whole every frame and numbers its pictures.
//
//   capture_bench [seconds] [WxH] [fps] [mjpeg|x264] [preview]
//
// Both sides grab the WxH region at the screen's top left at fps frames a second (x11grab,
// no cursor) into an AVI with the same encoder settings: Motion JPEG yuvj420p at quantiser
// 5, or x264 ultrafast yuv420p at rate factor 23 with a key frame every 12 pictures and no
// B-frames; one encoder thread per core on both (what the engine sets: for Motion JPEG also
// ffmpeg's automatic count, for x264 fewer than its automatic one and a half per core, which
// would otherwise count as other settings). With "preview" the engine also shows the live
// preview at 100 % in a window on the same X display, right of the captured region (the
// screen must be at least twice as wide as the region; scripts/bench.sh makes one so).
//
// Each side runs in a process of its own, started fresh (the engine side is this program
// exec'd again, as ffmpeg is exec'd): CPU is its own (steady state, after a second of
// start-up), peak memory its own (the engine's VmHWM, ffmpeg's ru_maxrss). Both record for the given seconds from their first
// picture. Pictures are counted from the file: a separate process draws the screen twice
// per captured frame with a new number each time, and the file is decoded and the numbers
// read back; a dropped or late frame shows as a number repeated. The pictures are also
// compared with what the screen showed (luma PSNR and SSIM, the median of up to 60 pictures). The screen counts the
// ticks it drew too late to show (its own lateness, which a grab may see as a repeat).
// Prints a RESULT line per side for scripts/bench.sh to tabulate.
//
// Needs DISPLAY, ffmpeg and ffprobe on the PATH. BENCH_MAX_LOAD (default: the core count)
// and BENCH_LOAD_WAIT (seconds, default 30) set how long to wait for a quiet machine.
// BENCH_ROUNDS (default 1) repeats the pair, alternating which side goes first.
#include "BenchGrab.h"
#include "BenchScreen.h"
#include "engine/core/EngineCore.h"
#include "engine/core/record/CaptureSession.h"

#ifndef BENCH_CORE_ONLY
#include "engine/CaptureEngine.h"

#include <QApplication>
#include <QTimer>
#endif

#include <algorithm>
#include <cmath>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace pelta::engine;

namespace {

struct Run {
    std::string codec;  // mjpeg | x264
    int w = 1920, h = 1080, fps = 30;
    double seconds = 30;
    bool preview = false;
    int64_t Expected() const { return std::llround(fps * seconds); }
    // What the distinct pictures are measured against: the frames due, or the frames of the
    // time the file spans (held pictures count: they are frames lost), or the pictures in
    // it, when it ran on past the time.
    int64_t Due(const bench::FileReport& f) const {
        return std::max<int64_t>({Expected(), f.pictures, std::llround(f.seconds * fps)});
    }
};

struct Cost {
    double load = 0;         // one-minute load average before the run
    double steadyCpu = 0;    // CPU seconds in the steady window
    double steadyWall = 0;   // its length
    double totalCpu = 0;     // the whole process
    long peakKB = 0;
    long ownFrames = -1, ownDropped = -1;  // what the engine itself counted
    long ownDevice = 0, ownEncoder = 0, ownDisk = 0;  // its drops by cause
    int64_t screenLate = 0;  // ticks the numbered screen skipped meanwhile (drawn late)
    // CPU per picture encoded: the steady CPU rate over the rate of pictures in the file, so
    // a side that drops more is not made cheaper by the work it skipped.
    double MsPerPicture(int64_t pictures, double seconds) const {
        return steadyWall > 0 && pictures > 0 ? 1000 * (steadyCpu / steadyWall) * seconds / double(pictures) : 0;
    }
};

constexpr double kWarmUp = 1.0;  // left out of the steady CPU: loading libraries, opening files

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The CPU of `pid` from kWarmUp after `start` until half a second before `start + seconds`.
void MeasureSteady(pid_t pid, double start, double seconds, Cost& c) {
    auto sleepUntil = [](double t) {
        const double d = t - Now();
        if (d > 0) std::this_thread::sleep_for(std::chrono::duration<double>(d));
    };
    sleepUntil(start + kWarmUp);
    const double t0 = Now(), c0 = bench::CpuSoFar(pid);
    sleepUntil(start + seconds - 0.5);
    c.steadyCpu = bench::CpuSoFar(pid) - c0;
    c.steadyWall = Now() - t0;
}

void Reap(pid_t pid, Cost& c) {
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    c.totalCpu = use.ru_utime.tv_sec + use.ru_utime.tv_usec / 1e6 + use.ru_stime.tv_sec + use.ru_stime.tv_usec / 1e6;
    c.peakKB = use.ru_maxrss;
}

void Setup(EngineCore& core, CaptureSession& session, const Run& r, const std::string& out) {
    bench::GrabScreenRegion(core, r.w, r.h, r.fps);
    auto& comps = session.VideoCompressorList();
    const std::string want = r.codec == "x264" ? "H.264 (x264)" : "Motion JPEG";
    for (int32_t i = 0; i < comps.Count(); ++i)
        if (comps.Item(i).DisplayName == want) comps.SetSelected(i);
    session.SetCaptureFileName(out);
    session.SetOutputFormat(OutputFormat::Avi);
    session.PrepareCapture(CaptureMode::VideoOnly);
    session.BeginCapture(CaptureMode::VideoOnly);
}

// A process's own peak resident memory in kB (VmHWM: since its exec, what it mapped itself).
long OwnPeakKB(const char* pid = "self") {
    long kb = 0;
    if (FILE* f = std::fopen((std::string("/proc/") + pid + "/status").c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
        std::fclose(f);
    }
    return kb;
}

struct EngineCounts {
    int32_t frames = 0, dropped = 0;
    DropCounts causes;
};
using Say = std::function<void(const std::string&)>;

// The engine's core alone: the screen through the device layer into the recorder.
EngineCounts CaptureWithCore(const Run& r, const std::string& out, const Say& say) {
    EngineCore core;
    CaptureSession session(core, [](EngineEventKind, int32_t) {});
    Setup(core, session, r, out);
    while (session.FramesCaptured() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    say("go\n");
    std::this_thread::sleep_for(std::chrono::duration<double>(r.seconds));
    session.EndCapture();
    return {session.FramesCaptured(), session.FramesDropped(), session.DroppedByCause()};
}

#ifndef BENCH_CORE_ONLY
// The same with the preview control on top, showing the capture at 100 % on the display.
EngineCounts CaptureWithPreview(const Run& r, int screenWidth, const std::string& out, const Say& say, int argc,
                                char** argv) {
    QApplication app(argc, argv);  // on DISPLAY: the preview really draws there
    pelta::CaptureEngine engine;
    engine.setGeometry(std::min(r.w, screenWidth - r.w), 0, r.w, r.h);
    engine.show();
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(true);
    Setup(engine.Core(), engine.Recorder(), r, out);
    // The time runs from the first picture, as ffmpeg's -t counts from its first frame.
    QTimer firstPicture;
    QObject::connect(&firstPicture, &QTimer::timeout, &app, [&] {
        if (engine.Recorder().FramesCaptured() == 0) return;
        firstPicture.stop();
        say("go\n");
        // A precise timer: a coarse one may end a 10 s capture half a second early.
        QTimer::singleShot(static_cast<int>(r.seconds * 1000), Qt::PreciseTimer, &app, &QApplication::quit);
    });
    firstPicture.start(1);
    app.exec();
    engine.EndCapture();
    return {engine.FramesCaptured(), engine.FramesDropped(), engine.Recorder().DroppedByCause()};
}
#endif

// Our engine, in a process of its own started fresh (exec'd, like ffmpeg). Says "go" on `fd`
// at its first picture, and at the end its counts and its own peak memory.
int EngineProcess(const Run& r, [[maybe_unused]] int screenWidth, const std::string& out, int fd,
                  [[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    const Say say = [&](const std::string& s) {
        if (write(fd, s.data(), s.size()) < 0) _exit(2);
    };
#ifdef BENCH_CORE_ONLY
    if (r.preview) {
        std::fprintf(stderr, "capture_bench_core: the preview needs capture_bench\n");
        return 2;
    }
    const EngineCounts n = CaptureWithCore(r, out, say);
#else
    const EngineCounts n = r.preview ? CaptureWithPreview(r, screenWidth, out, say, argc, argv) : CaptureWithCore(r, out, say);
#endif
    say(std::to_string(n.frames) + " " + std::to_string(n.dropped) + " " + std::to_string(n.causes.DeviceGaps) + " " +
        std::to_string(n.causes.EncoderBehind) + " " + std::to_string(n.causes.DiskBehind) + " " +
        std::to_string(OwnPeakKB()) + "\n");
    return 0;
}

// The program the engine's side runs: without the preview, capture_bench_core beside this
// one (the engine's core alone, in a process without Qt, as a recorder without windows
// runs it), else this program.
std::string EngineProgram(const Run& r) {
    if (r.preview) return "/proc/self/exe";
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string core = n > 0 ? std::string(self, size_t(n)) : std::string();
    core = core.substr(0, core.rfind('/') + 1) + "capture_bench_core";
    if (access(core.c_str(), X_OK) == 0) return core;
    std::fprintf(stderr, "capture_bench: no %s; the engine's side runs with Qt loaded\n", core.c_str());
    return "/proc/self/exe";
}

Cost RunEngine(const Run& r, const std::string& out) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const std::string program = EngineProgram(r);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string size = std::to_string(r.w) + "x" + std::to_string(r.h);
        std::vector<std::string> args = {"capture_bench", "--engine", std::to_string(r.seconds), size,
                                         std::to_string(r.fps), r.codec, r.preview ? "preview" : "nopreview", out,
                                         std::to_string(fds[1])};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    Cost c;
    char buf[160] = {};
    size_t got = 0;
    // Wait for the capture to begin (the first line), then measure.
    while (got < sizeof buf - 1 && std::strchr(buf, '\n') == nullptr) {
        const ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
        if (n <= 0) break;
        got += size_t(n);
    }
    MeasureSteady(pid, Now(), r.seconds, c);
    while (got < sizeof buf - 1) {
        const ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
        if (n <= 0) break;
        got += size_t(n);
    }
    close(fds[0]);
    long ownPeak = 0;
    if (const char* nl = std::strchr(buf, '\n'))
        std::sscanf(nl + 1, "%ld %ld %ld %ld %ld %ld", &c.ownFrames, &c.ownDropped, &c.ownDevice, &c.ownEncoder,
                    &c.ownDisk, &ownPeak);
    Reap(pid, c);
    if (ownPeak > 0) c.peakKB = ownPeak;  // its own, without what the fork copied before the exec
    return c;
}

Cost RunFfmpeg(const Run& r, const char* display, const std::string& out) {
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string input = std::string(display) + "+0,0";
        std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "x11grab",
                                         "-draw_mouse", "0", "-framerate", std::to_string(r.fps), "-video_size",
                                         std::to_string(r.w) + "x" + std::to_string(r.h), "-i", input, "-t",
                                         std::to_string(r.seconds)};
        if (r.codec == "x264")
            args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "23", "-g", "12", "-bf", "0",
                                     "-pix_fmt", "yuv420p"});
        else
            args.insert(args.end(), {"-c:v", "mjpeg", "-q:v", "5", "-pix_fmt", "yuvj420p"});
        args.insert(args.end(), {"-threads", std::to_string(sysconf(_SC_NPROCESSORS_ONLN)), out});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    Cost c;
    MeasureSteady(pid, Now(), r.seconds, c);
    Reap(pid, c);
    return c;
}

// ffprobe's word on the stream: "codec,pix_fmt".
std::string Probe(const std::string& path) {
    const std::string cmd = "ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,pix_fmt "
                            "-of csv=p=0 '" + path + "' 2>/dev/null";
    std::string s;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) s += buf;
        pclose(p);
    }
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

void Print(const char* who, const Run& r, const Cost& c, const bench::FileReport& f, const std::string& probe) {
    const double share = double(f.distinct) / double(r.Due(f));
    const double ms = c.MsPerPicture(f.pictures, r.seconds);
    std::printf("  %-7s load %5.2f  CPU %6.2f ms/picture  peak %6.1f MB  pictures %5lld of %5lld slots, distinct "
                "%5lld/%lld = %5.1f %%  unreadable %lld  %6.1f KB/picture (key %6.1f)  ffprobe %s, %s/%s",
                who, c.load, ms, c.peakKB / 1024.0, (long long)f.pictures, (long long)f.fileSlots,
                (long long)f.distinct, (long long)r.Due(f), 100 * share, (long long)f.unreadable,
                f.BytesPerPicture() / 1024, f.BytesPerKeyPicture() / 1024, probe.c_str(), f.range.c_str(), f.matrix.c_str());
    if (c.ownFrames >= 0)
        std::printf("  (own count: %ld captured, %ld dropped: device %ld, encoder %ld, disk %ld)", c.ownFrames,
                    c.ownDropped, c.ownDevice, c.ownEncoder, c.ownDisk);
    std::printf("  screen ticks skipped %lld  PSNR %.2f dB SSIM %.4f (%lld pictures)\n", (long long)c.screenLate,
                f.psnr, f.ssim, (long long)f.compared);
}

// One line per side for scripts/bench.sh: the median CPU, the highest peak and the round
// with the fewest distinct pictures.
void Result(const char* who, const Run& r, double ms, long peakKB, const bench::FileReport& f, double load) {
    std::printf("RESULT %s %dx%d %d %s %s ms_per_picture=%.2f peak_mb=%.1f distinct=%lld expected=%lld load=%.2f "
                "kb_per_picture=%.1f psnr=%.2f ssim=%.4f\n",
                who, r.w, r.h, r.fps, r.codec.c_str(), r.preview ? "preview" : "nopreview", ms, peakKB / 1024.0,
                (long long)f.distinct, (long long)r.Due(f), load, f.BytesPerPicture() / 1024, f.psnr, f.ssim);
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

int ScreenWidth(const char* display) {
    int n = 0;
    xcb_connection_t* c = xcb_connect(display, &n);
    int w = 0;
    if (!xcb_connection_has_error(c)) {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < n && it.rem; ++i) xcb_screen_next(&it);
        w = it.data->width_in_pixels;
    }
    xcb_disconnect(c);
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 8 && std::strcmp(argv[1], "--engine") == 0) {
        Run r;
        r.seconds = std::atof(argv[2]);
        std::sscanf(argv[3], "%dx%d", &r.w, &r.h);
        r.fps = std::atoi(argv[4]);
        r.codec = argv[5];
        r.preview = std::strcmp(argv[6], "preview") == 0;
        const char* display = std::getenv("DISPLAY");
        return EngineProcess(r, display ? ScreenWidth(display) : 0, argv[7], std::atoi(argv[8]), argc, argv);
    }
    Run r;
    r.seconds = std::max(3.0, argc > 1 ? std::atof(argv[1]) : 30);
    if (argc > 2) std::sscanf(argv[2], "%dx%d", &r.w, &r.h);
    r.fps = argc > 3 ? std::atoi(argv[3]) : 30;
    r.codec = argc > 4 ? argv[4] : "mjpeg";
    r.preview = argc > 5 && std::strcmp(argv[5], "preview") == 0;
    const char* display = std::getenv("DISPLAY");
    if (!display) {
        std::fprintf(stderr, "capture_bench: no DISPLAY to capture\n");
        return 1;
    }
    const int screenWidth = ScreenWidth(display);
    const int rounds = std::max(1, std::getenv("BENCH_ROUNDS") ? std::atoi(std::getenv("BENCH_ROUNDS")) : 1);
    const std::string dir = "/tmp/pelta-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::printf("capture %s, %dx%d at %d fps, %.0f s, preview %s; the screen changes %d times a second\n",
                r.codec.c_str(), r.w, r.h, r.fps, r.seconds, r.preview ? "on at 100 % on the display" : "off",
                2 * r.fps);
    if (r.preview && screenWidth < 2 * r.w)
        std::printf("  warning: the screen (%d wide) has no room beside the region: the preview covers it\n",
                    screenWidth);

    int ready[2];
    if (pipe(ready) != 0) return 1;
    // The screen's count of ticks drawn too late to be shown, shared with this process.
    void* shared = mmap(nullptr, sizeof(std::atomic<int64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return 1;
    auto* skipped = new (shared) std::atomic<int64_t>(0);
    const pid_t screen = fork();
    if (screen == 0) {
        close(ready[0]);
        // Ahead of both sides where allowed (root): the count means most when the screen is
        // drawn on time. Otherwise it runs as they do, and the skipped ticks tell.
        setpriority(PRIO_PROCESS, 0, -10);
        bench::RunNumberedScreen(display, r.w, r.h, 2.0 * r.fps, ready[1], skipped);
    }
    close(ready[1]);
    char line[16] = {};
    if (read(ready[0], line, sizeof line - 1) <= 0) {  // the texture is uploaded and the screen moving
        std::printf("  the numbered screen could not start: no figures\n");
        waitpid(screen, nullptr, 0);
        return 1;
    }
    close(ready[0]);
    bool screenGone = false;
    auto screenAlive = [&] {
        if (!screenGone && waitpid(screen, nullptr, WNOHANG) != 0) {
            screenGone = true;
            std::printf("  warning: the numbered screen stopped during the run: pictures cannot be counted\n");
        }
        return !screenGone;
    };

    // Rounds alternate which side goes first, so a machine that slows down or speeds up
    // over the run weighs on both; the summary takes the median CPU of each side.
    struct Side {
        Cost cost;
        bench::FileReport file;
        std::string probe;
    };
    std::vector<Side> ours(rounds), theirs(rounds);
    for (int k = 0; k < rounds; ++k) {
        const std::string n = std::to_string(k);
        auto runOurs = [&] {
            const double load = bench::WaitForQuiet();
            const int64_t before = skipped->load();
            ours[k].cost = RunEngine(r, dir + "/engine" + n + ".avi");
            ours[k].cost.load = load;
            ours[k].cost.screenLate = skipped->load() - before;
        };
        auto runTheirs = [&] {
            const double load = bench::WaitForQuiet();
            const int64_t before = skipped->load();
            theirs[k].cost = RunFfmpeg(r, display, dir + "/ffmpeg" + n + ".avi");
            theirs[k].cost.load = load;
            theirs[k].cost.screenLate = skipped->load() - before;
        };
        if (k % 2 == 0) {
            runOurs();
            runTheirs();
        } else {
            runTheirs();
            runOurs();
        }
        screenAlive();
    }
    if (screenAlive()) {
        kill(screen, SIGKILL);
        waitpid(screen, nullptr, 0);
    }

    const std::vector<uint8_t> texture = bench::TextureLuma(r.w, r.h);
    std::vector<double> msOurs, msTheirs, ratios;
    long peakOurs = 0, peakTheirs = 0;
    int worstOurs = 0, worstTheirs = 0;  // the rounds with the fewest distinct pictures
    auto share = [&](const Side& s) { return double(s.file.distinct) / double(r.Due(s.file)); };
    for (int k = 0; k < rounds; ++k) {
        const std::string n = std::to_string(k);
        Side& o = ours[k];
        Side& t = theirs[k];
        o.file = bench::ReadBack(dir + "/engine" + n + ".avi", &texture);
        t.file = bench::ReadBack(dir + "/ffmpeg" + n + ".avi", &texture);
        o.probe = Probe(dir + "/engine" + n + ".avi");
        t.probe = Probe(dir + "/ffmpeg" + n + ".avi");
        if (rounds > 1) std::printf("  round %d of %d (%s first)\n", k + 1, rounds, k % 2 == 0 ? "engine" : "ffmpeg");
        Print("engine", r, o.cost, o.file, o.probe);
        Print("ffmpeg", r, t.cost, t.file, t.probe);
        const double perOurs = o.cost.MsPerPicture(o.file.pictures, r.seconds);
        const double perTheirs = t.cost.MsPerPicture(t.file.pictures, r.seconds);
        msOurs.push_back(perOurs);
        msTheirs.push_back(perTheirs);
        if (perTheirs > 0) ratios.push_back(perOurs / perTheirs);
        peakOurs = std::max(peakOurs, o.cost.peakKB);
        peakTheirs = std::max(peakTheirs, t.cost.peakKB);
        if (share(o) < share(ours[worstOurs])) worstOurs = k;
        if (share(t) < share(theirs[worstTheirs])) worstTheirs = k;
        const double sizeRatio =
            t.file.BytesPerPicture() > 0 ? o.file.BytesPerPicture() / t.file.BytesPerPicture() : 0;
        const double keyRatio =
            t.file.BytesPerKeyPicture() > 0 ? o.file.BytesPerKeyPicture() / t.file.BytesPerKeyPicture() : 0;
        if (perTheirs > 0 && t.cost.peakKB > 0)
            std::printf("  ratio   CPU/picture %.2f  peak memory %.2f  size/picture %.2f  size/key picture %.2f  "
                        "PSNR %+.2f dB  SSIM %+.4f\n",
                        perOurs / perTheirs, double(o.cost.peakKB) / double(t.cost.peakKB), sizeRatio, keyRatio,
                        o.file.psnr - t.file.psnr, o.file.ssim - t.file.ssim);
        // Motion JPEG: the engine's encoder (libjpeg-turbo, or FFmpeg's where it lacks it) at
        // the same quantiser; like for like is the same fidelity, PSNR within 0.2 dB (the size
        // is then the result). x264's sizes follow its rate control, which follows how far the
        // screen moved between the pictures it was given, so on the drops; its settings are
        // compared as it records them in the stream instead.
        const bool sameFormat = !o.probe.empty() && o.probe == t.probe;
        const bool fidelityClose = std::abs(o.file.psnr - t.file.psnr) <= 0.2;
        const bool sameSettings = r.codec == "x264"
                                      ? !o.file.encoderOptions.empty() && o.file.encoderOptions == t.file.encoderOptions
                                      : fidelityClose;
        std::printf("  like for like: %s (codec and pixel format %s; %s)\n",
                    sameFormat && sameSettings ? "yes" : "NO", sameFormat ? "equal" : "differ",
                    r.codec == "x264"
                        ? (sameSettings ? "x264's recorded settings equal" : "x264's recorded settings DIFFER")
                        : (fidelityClose ? "same quantiser, PSNR within 0.2 dB" : "same quantiser, PSNR NOT within 0.2 dB"));
    }
    const double medOurs = Median(msOurs), medTheirs = Median(msTheirs);
    if (rounds > 1 && !ratios.empty())
        std::printf("  %d rounds: median CPU/picture engine %.2f ms, ffmpeg %.2f ms, ratio %.2f (rounds %.2f to %.2f); "
                    "highest peak memory ratio %.2f; fewest distinct: engine %.1f %%, ffmpeg %.1f %%\n",
                    rounds, medOurs, medTheirs, medTheirs > 0 ? medOurs / medTheirs : 0,
                    *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                    peakTheirs > 0 ? double(peakOurs) / double(peakTheirs) : 0, 100 * share(ours[worstOurs]),
                    100 * share(theirs[worstTheirs]));
    Result("engine", r, medOurs, peakOurs, ours[worstOurs].file, ours[0].cost.load);
    Result("ffmpeg", r, medTheirs, peakTheirs, theirs[worstTheirs].file, theirs[0].cost.load);
    std::fflush(stdout);
    if (!std::getenv("BENCH_KEEP")) std::filesystem::remove_all(dir);
    return 0;
}
