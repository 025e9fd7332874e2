// What a screen capture costs on a Wayland desktop (desktop portal + PipeWire) beside the
// X11 path (x11grab) on the same machine, in the same run: frames captured and dropped, the
// engine's CPU per captured frame and peak memory, and on Wayland also what the desktop's
// own processes (compositor, portal backend, PipeWire) spent meanwhile.
//
//   wayland_bench SECONDS WxH FPS ENVFILE PIDFILE
//
// ENVFILE holds the desktop's variables as scripts/wayland-session.sh start prints them;
// PIDFILE the PIDs of its processes. DISPLAY names the X server for the X11 side. Motion
// JPEG into AVI on both sides; each capture runs in a child process of its own. The
// Wayland side runs twice: a still screen, and a terminal printing the time every 50 ms.
#include "engine/core/EngineCore.h"
#include "engine/core/record/CaptureSession.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace pelta::engine;

namespace {

struct Cost {
    double cpuSeconds = 0;
    long peakKB = 0;
    long frames = 0;
    long dropped = 0;
    double desktopSeconds = 0;
};

std::map<std::string, std::string> ReadEnv(const std::string& path) {
    std::map<std::string, std::string> env;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return env;
}

// CPU seconds a process has spent so far (user + system), from /proc.
double ProcessSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : stat.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(sysconf(_SC_CLK_TCK));  // utime, stime
}

double DesktopSeconds(const std::vector<pid_t>& pids) {
    double total = 0;
    for (pid_t p : pids) total += ProcessSeconds(p);
    return total;
}

Cost Capture(double seconds, int w, int h, int fps, const std::string& out, bool wayland,
             const std::map<std::string, std::string>& env, const std::vector<pid_t>& desktop) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const double desktopBefore = DesktopSeconds(desktop);
    std::fflush(stdout);  // a child must not print the parent's buffer again
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (wayland) {
            for (const auto& [k, v] : env)
                if (k != "XDG_RUNTIME_DIR") setenv(k.c_str(), v.c_str(), 1);
        } else {
            unsetenv("WAYLAND_DISPLAY");
            setenv("XDG_SESSION_TYPE", "x11", 1);
        }
        int32_t frames = 0, dropped = 0;
        try {
            EngineCore core;
            CaptureSession session(core, [](EngineEventKind, int32_t) {});
            core.VideoInputs().SetSelected(0);
            VideoSourceSettings grab = core.VideoSettings();
            grab.FrameRate = fps;
            if (w != core.CurrentVideoFormat().Width || h != core.CurrentVideoFormat().Height) {
                grab.RegionWidth = w;
                grab.RegionHeight = h;
            }
            core.SetVideoSettings(grab);
            auto& comps = session.VideoCompressorList();
            for (int32_t i = 0; i < comps.Count(); ++i)
                if (comps.Item(i).DisplayName == "Motion JPEG") comps.SetSelected(i);
            session.SetCaptureFileName(out);
            session.SetOutputFormat(OutputFormat::Avi);
            session.PrepareCapture(CaptureMode::VideoOnly);
            session.BeginCapture(CaptureMode::VideoOnly);
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            session.EndCapture();
            frames = session.FramesCaptured();
            dropped = session.FramesDropped();
        } catch (const EngineError& e) {
            std::fprintf(stderr, "wayland_bench: %s\n", e.what());
        }
        const std::string result = std::to_string(frames) + " " + std::to_string(dropped) + "\n";
        if (write(fds[1], result.data(), result.size()) < 0) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    Cost c;
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    c.desktopSeconds = DesktopSeconds(desktop) - desktopBefore;
    c.cpuSeconds = use.ru_utime.tv_sec + use.ru_utime.tv_usec / 1e6 + use.ru_stime.tv_sec + use.ru_stime.tv_usec / 1e6;
    c.peakKB = use.ru_maxrss;
    char buf[128] = {};
    if (read(fds[0], buf, sizeof buf - 1) > 0) std::sscanf(buf, "%ld %ld", &c.frames, &c.dropped);
    close(fds[0]);
    return c;
}

pid_t StartClock(const std::map<std::string, std::string>& env) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
        execlp("foot", "foot", "--app-id=pelta-clock", "--window-size-pixels=640x360", "sh", "-c",
               "while :; do date +%T.%N; sleep 0.05; done", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return pid;
}

void Print(const char* who, const Cost& c, bool desktop) {
    std::printf("  %-16s frames %6ld  dropped %4ld  CPU/frame %6.2f ms  peak %6.1f MB", who, c.frames, c.dropped,
                c.frames ? 1000 * c.cpuSeconds / c.frames : 0.0, c.peakKB / 1024.0);
    if (desktop) std::printf("  desktop CPU/frame %6.2f ms", c.frames ? 1000 * c.desktopSeconds / c.frames : 0.0);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: wayland_bench SECONDS WxH FPS ENVFILE PIDFILE\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    int w = 1280, h = 720;
    std::sscanf(argv[2], "%dx%d", &w, &h);
    const int fps = std::atoi(argv[3]);
    const auto env = ReadEnv(argv[4]);
    std::vector<pid_t> desktop;
    {
        std::ifstream in(argv[5]);
        pid_t p = 0;
        while (in >> p) desktop.push_back(p);
    }
    const std::string dir = "/tmp/pelta-wbench-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::printf("capture mjpeg, %dx%d at %d fps, %.0f s: X11 (x11grab) beside Wayland (portal + PipeWire)\n", w, h,
                fps, seconds);
    Print("x11 still", Capture(seconds, w, h, fps, dir + "/x11.avi", false, env, {}), false);
    Print("wayland still", Capture(seconds, w, h, fps, dir + "/wl-still.avi", true, env, desktop), true);
    const pid_t clock = StartClock(env);
    Print("wayland clock", Capture(seconds, w, h, fps, dir + "/wl-clock.avi", true, env, desktop), true);
    if (clock > 0) {
        kill(-clock, SIGTERM);
        waitpid(clock, nullptr, 0);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
