#include "support/Services.h"
#include "support/Processes.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pelta::test {

namespace {

MediaServices gServices;
pid_t gXvfb = -1;
int gXvfbNumber = -1;
pid_t gPulse = -1;
bool gStarted = false;
std::string gRuntimeDir;

pid_t Spawn(const std::vector<std::string>& args, bool quiet = true) {
    std::fflush(nullptr);  // the child would write out this process's buffered output again
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (quiet) {
            FILE* f = freopen("/dev/null", "w", stdout);
            f = freopen("/dev/null", "w", stderr);
            (void)f;
        }
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool RunOk(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

bool WaitFor(const std::string& cmd, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (RunOk(cmd)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void Stop(pid_t& pid) {
    if (pid > 0) {
        kill(-pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 30 && waitpid(pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
}

bool StartPulse() {
    gPulse = Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                    "-L", "module-native-protocol-unix", "-L", "module-null-sink sink_name=nullsink",
                    "-L", "module-always-sink"});
    return WaitFor("pactl list short sources | grep -q nullsink.monitor", 10000);
}

// Starts Xvfb on a display number it picks itself (written to a pipe, so test programs running
// side by side never race for one) and waits until it answers; the number, or -1. It does not
// reset when its last client leaves (it would refuse the next test's connection meanwhile).
int StartXvfb(const std::string& screen, pid_t& pid) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return -1;
    return WaitFor("xdpyinfo -display :" + number, 10000) ? std::atoi(number.c_str()) : -1;
}

// What an Xvfb that was killed leaves behind: its lock file and socket, removed only while
// the lock still names that server.
void RemoveXvfbLeftovers(int number, pid_t pid) {
    const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    if (std::atol(CommandOutput("cat " + lock + " 2>/dev/null").c_str()) != long(pid)) return;
    std::error_code ec;
    std::filesystem::remove("/tmp/.X11-unix/X" + std::to_string(number), ec);
    std::filesystem::remove(lock, ec);
}

}  // namespace

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

PrivateDisplay::PrivateDisplay(const std::string& screen) {
    number_ = StartXvfb(screen, pid_);
    up_ = number_ >= 0;
    if (up_) name_ = ":" + std::to_string(number_);
}

PrivateDisplay::~PrivateDisplay() {
    const pid_t pid = pid_;
    Stop(pid_);
    if (number_ >= 0) RemoveXvfbLeftovers(number_, pid);
}

void PrivateDisplay::Kill() {
    if (pid_ > 0) kill(pid_, SIGKILL);
}

const MediaServices& StartMediaServices() {
    if (gStarted) return gServices;
    gStarted = true;
    // The screens these tests read are the private X server's, also when the tests are
    // started from a Wayland desktop.
    unsetenv("WAYLAND_DISPLAY");
    setenv("XDG_SESSION_TYPE", "x11", 1);
    gXvfbNumber = StartXvfb("1920x1080x24", gXvfb);
    if (gXvfbNumber >= 0) {
        gServices.Display = ":" + std::to_string(gXvfbNumber);
        setenv("DISPLAY", gServices.Display.c_str(), 1);
        gServices.XvfbUp = true;
    }

    char tmpl[] = "/tmp/pelta-pulse-XXXXXX";
    if (mkdtemp(tmpl)) gRuntimeDir = tmpl;
    setenv("XDG_RUNTIME_DIR", gRuntimeDir.c_str(), 1);
    gServices.PulseServer = "unix:" + gRuntimeDir + "/pulse/native";
    setenv("PULSE_SERVER", gServices.PulseServer.c_str(), 1);
    gServices.PulseUp = StartPulse();
    std::atexit(StopMediaServices);
    return gServices;
}

void StopMediaServices() {
    Stop(gPulse);
    const pid_t xvfb = gXvfb;
    Stop(gXvfb);
    if (gXvfbNumber >= 0) RemoveXvfbLeftovers(gXvfbNumber, xvfb);
    if (!gRuntimeDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(gRuntimeDir, ec);
        gRuntimeDir.clear();
    }
}

int StartToneIntoNullSink(double seconds, int frequency) {
    return Spawn({"ffmpeg", "-nostdin", "-loglevel", "quiet", "-re", "-f", "lavfi", "-i",
                  "sine=frequency=" + std::to_string(frequency) + ":duration=" + std::to_string(seconds), "-f",
                  "pulse", "-device", "nullsink", "tone"});
}

void SignalPulse(int signal) {
    if (gPulse > 0) kill(gPulse, signal);
}

bool RestartPulse() {
    if (gPulse > 0) {
        kill(gPulse, SIGCONT);
        Stop(gPulse);
    }
    gServices.PulseUp = StartPulse();
    return gServices.PulseUp;
}

std::string Pactl(const std::string& args) {
    std::string out = CommandOutput("pactl " + args + " 2>/dev/null");
    out.erase(std::min(out.find('\n'), out.size()));
    if (!out.empty() && out.back() == '\r') out.pop_back();
    return out;
}

}  // namespace pelta::test
