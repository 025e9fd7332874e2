// Measures what a capture costs next to the ffmpeg command line doing the same capture in
// the same run: CPU seconds per captured frame, peak memory, frames captured and dropped.
//
//   capture_bench [seconds] [WxH] [fps] [mjpeg|x264] [preview]
//
// Both sides grab the WxH region at the screen's top left at fps frames a second, as
// ffmpeg's x11grab does with -video_size. With "preview" the engine also shows the live
// preview at 100 % in a window of the screen's size (Qt's offscreen platform).
// Needs DISPLAY (an X server to read) and ffmpeg on the PATH. Each side runs in a child
// process so that its CPU time and peak memory are its own.
#include "engine/CaptureEngine.h"
#include "engine/core/EngineCore.h"
#include "engine/core/record/CaptureSession.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace pelta::engine;

namespace {

struct Cost {
    double cpuSeconds = 0;
    long peakKB = 0;
    long frames = 0;
    long dropped = 0;
};

Cost Wait(pid_t pid, int resultFd) {
    Cost c;
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    c.cpuSeconds = use.ru_utime.tv_sec + use.ru_utime.tv_usec / 1e6 + use.ru_stime.tv_sec + use.ru_stime.tv_usec / 1e6;
    c.peakKB = use.ru_maxrss;
    if (resultFd >= 0) {
        char buf[128] = {};
        const ssize_t n = read(resultFd, buf, sizeof buf - 1);
        if (n > 0) std::sscanf(buf, "%ld %ld", &c.frames, &c.dropped);
        close(resultFd);
    }
    return c;
}

long CountFrames(const std::string& path) {
    const std::string cmd = "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                            "-of default=nw=1:nk=1 '" + path + "'";
    FILE* p = popen(cmd.c_str(), "r");
    long n = 0;
    if (p) {
        if (std::fscanf(p, "%ld", &n) != 1) n = 0;
        pclose(p);
    }
    return n;
}

void Setup(EngineCore& core, CaptureSession& session, int w, int h, int fps, const std::string& codec,
           const std::string& out) {
    core.VideoInputs().SetSelected(0);  // the first screen
    VideoSourceSettings grab = core.VideoSettings();
    grab.FrameRate = fps;
    if (w != core.CurrentVideoFormat().Width || h != core.CurrentVideoFormat().Height) {
        grab.RegionWidth = w;
        grab.RegionHeight = h;
    }
    core.SetVideoSettings(grab);
    auto& comps = session.VideoCompressorList();
    const std::string want = codec == "x264" ? "H.264 (x264)" : "Motion JPEG";
    for (int32_t i = 0; i < comps.Count(); ++i)
        if (comps.Item(i).DisplayName == want) comps.SetSelected(i);
    session.SetCaptureFileName(out);
    session.SetOutputFormat(OutputFormat::Avi);
    session.PrepareCapture(CaptureMode::VideoOnly);
    session.BeginCapture(CaptureMode::VideoOnly);
}

// Our engine: the screen through the device layer into the recorder, with or without the
// preview control on top.
Cost RunEngine(double seconds, int w, int h, int fps, const std::string& codec, bool preview, const std::string& out,
               int argc, char** argv) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int32_t frames = 0, dropped = 0;
        if (preview) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            QApplication app(argc, argv);
            pelta::CaptureEngine engine;
            engine.resize(1920, 1080);
            engine.show();
            engine.SetPreviewFit(2);
            engine.SetPreviewOn(true);
            Setup(engine.Core(), engine.Recorder(), w, h, fps, codec, out);
            QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
            app.exec();
            engine.EndCapture();
            frames = engine.FramesCaptured();
            dropped = engine.FramesDropped();
        } else {
            EngineCore core;
            CaptureSession session(core, [](EngineEventKind, int32_t) {});
            Setup(core, session, w, h, fps, codec, out);
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            session.EndCapture();
            frames = session.FramesCaptured();
            dropped = session.FramesDropped();
        }
        const std::string result = std::to_string(frames) + " " + std::to_string(dropped) + "\n";
        if (write(fds[1], result.data(), result.size()) < 0) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    return Wait(pid, fds[0]);
}

Cost RunFfmpeg(double seconds, int w, int h, int fps, const std::string& codec, const std::string& out) {
    const char* display = std::getenv("DISPLAY");
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string secs = std::to_string(seconds);
        const std::string rate = std::to_string(fps);
        std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "x11grab",
                                         "-framerate", rate, "-video_size", size, "-i", display ? display : ":0",
                                         "-t", secs};
        if (codec == "x264") {
            args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast"});
        } else if (codec == "null") {
            args.insert(args.end(), {"-f", "null"});
        } else {
            args.insert(args.end(), {"-c:v", "mjpeg", "-q:v", "5"});
        }
        args.push_back(codec == "null" ? "-" : out);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    Cost c = Wait(pid, -1);
    c.frames = codec == "null" ? 0 : CountFrames(out);
    return c;
}

void Print(const char* who, const Cost& c) {
    std::printf("  %-8s frames %6ld  dropped %4ld  CPU %7.2f s  CPU/frame %7.2f ms  peak %7.1f MB\n", who, c.frames,
                c.dropped, c.cpuSeconds, c.frames ? 1000 * c.cpuSeconds / c.frames : 0.0, c.peakKB / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    int w = 1920, h = 1080;
    if (argc > 2) std::sscanf(argv[2], "%dx%d", &w, &h);
    const int fps = argc > 3 ? std::atoi(argv[3]) : 30;
    const std::string codec = argc > 4 ? argv[4] : "mjpeg";
    const bool preview = argc > 5 && std::strcmp(argv[5], "preview") == 0;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "capture_bench: no DISPLAY to capture\n");
        return 1;
    }
    const std::string dir = "/tmp/pelta-bench-" + std::to_string(getpid());
    std::system(("mkdir -p " + dir).c_str());
    std::printf("capture %s, %dx%d at %d fps, %.0f s, preview %s\n", codec.c_str(), w, h, fps, seconds,
                preview ? "on at 100 %" : "off");
    const Cost ours = RunEngine(seconds, w, h, fps, codec, preview, dir + "/engine.avi", argc, argv);
    const Cost theirs = RunFfmpeg(seconds, w, h, fps, codec, dir + "/ffmpeg.avi");
    Print("engine", ours);
    Print("ffmpeg", theirs);
    const double ourPer = ours.frames ? ours.cpuSeconds / ours.frames : 0;
    const double theirPer = theirs.frames ? theirs.cpuSeconds / theirs.frames : 0;
    if (theirPer > 0 && theirs.peakKB > 0)
        std::printf("  ratio    CPU/frame %.2f  peak memory %.2f\n", ourPer / theirPer,
                    double(ours.peakKB) / double(theirs.peakKB));
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
