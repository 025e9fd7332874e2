// Measures what the live preview costs next to the ffmpeg command line just reading the
// same screen into a null output, in the same run.
//
//   preview_bench [seconds]
//
// Needs DISPLAY (an X server of 1920x1080 to read) and ffmpeg on the PATH. The preview is
// the real engine control at 100 %, in a window of the screen's size on Qt's offscreen
// platform, so every frame is scaled and handed to the UI as it would be on screen.
#include "engine/CaptureEngine.h"

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pelta::CaptureEngine engine;
    engine.resize(1920, 1080);
    engine.show();
    engine.VideoInputs().SetSelected(0);
    engine.SetPreviewFit(2);
    engine.SetPreviewOn(true);
    long frames = 0;
    const uchar* last = nullptr;
    // A light poll: the event loop sleeps between pictures, as the program's own does.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QImage img = engine.PreviewImage();
        if (!img.isNull() && img.constBits() != last) {
            last = img.constBits();
            ++frames;
        }
    });
    poll.start(5);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const char* display = std::getenv("DISPLAY");
    if (!display) {
        std::fprintf(stderr, "preview_bench: no DISPLAY to read\n");
        return 1;
    }
    int fds[2];
    if (pipe(fds) != 0) return 1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const long frames = RunPreview(seconds, argc, argv);
        const std::string s = std::to_string(frames) + "\n";
        if (write(fds[1], s.data(), s.size()) < 0) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    const Cost ours = Wait(pid);
    char buf[64] = {};
    long frames = 0;
    if (read(fds[0], buf, sizeof buf - 1) > 0) frames = std::atol(buf);
    close(fds[0]);

    pid = fork();
    if (pid == 0) {
        const std::string secs = std::to_string(seconds);
        execlp("ffmpeg", "ffmpeg", "-nostdin", "-loglevel", "error", "-f", "x11grab", "-framerate", "30",
               "-video_size", "1920x1080", "-i", display, "-t", secs.c_str(), "-f", "null", "-", nullptr);
        _exit(127);
    }
    const Cost theirs = Wait(pid);
    const double ffFrames = seconds * 30;
    std::printf("preview 1920x1080 at 30 fps, 100 %%, %.0f s\n", seconds);
    std::printf("  preview  frames %5ld  CPU %.2f s/s  %.2f ms/frame  peak %.1f MB\n", frames, ours.cpu / seconds,
                frames ? 1000 * ours.cpu / frames : 0.0, ours.peakKB / 1024.0);
    std::printf("  ffmpeg   frames %5.0f  CPU %.2f s/s  %.2f ms/frame  peak %.1f MB\n", ffFrames, theirs.cpu / seconds,
                1000 * theirs.cpu / ffFrames, theirs.peakKB / 1024.0);
    if (theirs.cpu > 0) std::printf("  ratio    CPU %.2f\n", ours.cpu / theirs.cpu);
    return 0;
}
