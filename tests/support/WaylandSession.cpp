#include "support/WaylandSession.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pelta::test {

namespace {

const std::string kScript = std::string(PELTA_SOURCE_DIR) + "/scripts/wayland-session.sh";
const char* const kUnset = "\x01";
// What a test program sees of the desktop; XDG_RUNTIME_DIR stays the test's own (its sound
// server lives there).
const char* const kEntered[] = {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_SESSION_TYPE",
                                "XDG_CURRENT_DESKTOP", "XDG_CONFIG_HOME", "SWAYSOCK"};

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string RunScript(const std::string& args, int* status) {
    const std::string cmd = "BUILD_DIR=" + Quote(PELTA_BUILD_DIR) + " " + Quote(kScript) + " " + args + " 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        *status = -1;
        return out;
    }
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    *status = pclose(p);
    return out;
}

bool Wait(const std::function<bool()>& ready, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ready();
}

}  // namespace

WaylandDesktop& WaylandDesktop::Shared(DesktopKind kind) {
    if (kind == DesktopKind::Gnome) {
        static WaylandDesktop* gnome = [] {
            auto* d = new WaylandDesktop(DesktopKind::Gnome);
            std::atexit([] { Shared(DesktopKind::Gnome).Stop(); });
            return d;
        }();
        return *gnome;
    }
    static WaylandDesktop* sway = [] {
        auto* d = new WaylandDesktop(DesktopKind::Sway);
        std::atexit([] { Shared(DesktopKind::Sway).Stop(); });
        return d;
    }();
    return *sway;
}

std::string WaylandDesktop::GrantToken() const {
    const auto it = env_.find("GRANT_TOKEN");
    return it == env_.end() ? std::string() : it->second;
}

WaylandDesktop::WaylandDesktop(DesktopKind kind) : kind_(kind) {
    char tmpl[] = "/tmp/pelta-wayland-XXXXXX";
    if (!mkdtemp(tmpl)) {
        why_ = "no temporary folder";
        return;
    }
    parent_ = tmpl;
    chmod(tmpl, 0755);  // sway runs as another user and must reach its folder inside
    folder_ = parent_ + "/desktop";
    int status = 0;
    const std::string out =
        RunScript("start " + Quote(folder_) + (kind == DesktopKind::Gnome ? " gnome" : " sway"), &status);
    if (status != 0) {
        why_ = "scripts/wayland-session.sh start failed: " + out;
        return;
    }
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) env_[line.substr(0, eq)] = line.substr(eq + 1);
    }
    up_ = env_.count("WAYLAND_DISPLAY") && env_.count("DBUS_SESSION_BUS_ADDRESS");
    if (!up_) why_ = "the session script named no display: " + out;
}

WaylandDesktop::~WaylandDesktop() = default;

void WaylandDesktop::Stop() {
    StopClients();
    if (!folder_.empty()) {
        int status = 0;
        RunScript("stop " + Quote(folder_), &status);
        rmdir(parent_.c_str());
        folder_.clear();
    }
    up_ = false;
}

void WaylandDesktop::Enter() {
    for (const char* name : kEntered) {
        const char* old = std::getenv(name);
        saved_[name] = old ? old : kUnset;
        const auto it = env_.find(name);
        if (it != env_.end()) setenv(name, it->second.c_str(), 1);
    }
    setenv("XDG_SESSION_TYPE", "wayland", 1);
}

void WaylandDesktop::Leave() {
    for (const auto& [name, value] : saved_) {
        if (value == kUnset) unsetenv(name.c_str());
        else setenv(name.c_str(), value.c_str(), 1);
    }
    saved_.clear();
}

void WaylandDesktop::SetChooserAnswer(const std::string& output, int delaySeconds) {
    std::ofstream(folder_ + "/chooser-answer", std::ios::trunc) << output << (output.empty() ? "" : "\n");
    std::ofstream(folder_ + "/chooser-delay", std::ios::trunc) << (delaySeconds > 0 ? std::to_string(delaySeconds) : "");
}

int WaylandDesktop::ChooserAsked() const {
    std::ifstream in(folder_ + "/chooser-asked");
    int n = 0;
    std::string line;
    while (std::getline(in, line)) ++n;
    return n;
}

pid_t WaylandDesktop::StartClient(const std::vector<std::string>& argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        for (const auto& [name, value] : env_) setenv(name.c_str(), value.c_str(), 1);
        const std::string log = folder_ + "/client-" + std::to_string(getpid()) + ".log";
        FILE* f = freopen(log.c_str(), "w", stdout);
        f = freopen(log.c_str(), "a", stderr);
        (void)f;
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid > 0) clients_.push_back(pid);
    return pid;
}

void WaylandDesktop::StopClients() {
    for (pid_t pid : clients_) {
        kill(-pid, SIGTERM);
        int status = 0;
        if (!Wait([&] { return waitpid(pid, &status, WNOHANG) != 0; }, 3000)) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    clients_.clear();
}

bool WaylandDesktop::Sway(const std::string& command) const {
    const auto it = env_.find("SWAYSOCK");
    if (it == env_.end()) return false;
    const std::string cmd = "swaymsg -s " + Quote(it->second) + " " + Quote(command) + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool WaylandDesktop::StartClock(const std::string& background) {
    if (StartClient({"foot", "--app-id=pelta-clock", "--window-size-pixels=640x360", "-o",
                     "colors.background=" + background, "-o", "colors.foreground=ffffff", "sh", "-c",
                     "while :; do date +%T.%N; sleep 0.05; done"}) <= 0)
        return false;
    if (kind_ == DesktopKind::Gnome) return true;
    const std::string sock = env_["SWAYSOCK"];
    const std::string check = "swaymsg -s " + Quote(sock) + " -t get_tree | grep -q '\"app_id\": \"pelta-clock\"'";
    return Wait([&] { return std::system(check.c_str()) == 0; }, 10000);
}

bool WaylandDesktop::RestartPortalBackend() {
    pid_t old = 0;
    std::ifstream(folder_ + "/portal-backend.pid") >> old;
    std::string bin;
    std::getline(std::ifstream(folder_ + "/portal-backend.bin"), bin);
    if (old <= 0 || bin.empty()) return false;
    kill(old, SIGTERM);
    // Not our child (the script started it): gone when signal 0 fails.
    if (!Wait([&] { return kill(old, 0) != 0; }, 5000)) kill(old, SIGKILL);
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        for (const auto& [name, value] : env_) setenv(name.c_str(), value.c_str(), 1);
        const std::string log = folder_ + "/portal-backend.log";
        FILE* f = freopen(log.c_str(), "a", stdout);
        f = freopen(log.c_str(), "a", stderr);
        (void)f;
        execl(bin.c_str(), bin.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return false;
    // The script ends it with the rest of the desktop.
    std::ofstream(folder_ + "/pids", std::ios::app) << pid << "\n";
    std::ofstream(folder_ + "/portal-backend.pid", std::ios::trunc) << pid << "\n";
    const std::string name = kind_ == DesktopKind::Gnome ? "org.freedesktop.impl.portal.desktop.gnome"
                                                         : "org.freedesktop.impl.portal.desktop.wlr";
    const std::string bus = env_["DBUS_SESSION_BUS_ADDRESS"];
    const std::string check = "DBUS_SESSION_BUS_ADDRESS=" + Quote(bus) +
                              " gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus"
                              " --method org.freedesktop.DBus.NameHasOwner " + name +
                              " 2>/dev/null | grep -q true";
    return Wait([&] { return std::system(check.c_str()) == 0; }, 10000);
}

BareSessionBus::BareSessionBus() {
    char tmpl[] = "/tmp/pelta-bare-bus-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir_ = tmpl;
    std::ofstream(dir_ + "/session.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path="
        << dir_ << "/bus</listen><auth>EXTERNAL</auth>"
        << "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    const std::string cmd = "dbus-daemon --config-file=" + Quote(dir_ + "/session.conf") +
                            " --fork --print-address=1 --print-pid=1 --nosyslog 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return;
    char address[512] = {}, pid[32] = {};
    const bool read = fgets(address, sizeof address, p) && fgets(pid, sizeof pid, p);
    pclose(p);
    if (!read) return;
    address_ = address;
    while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) address_.pop_back();
    pid_ = static_cast<pid_t>(std::atoi(pid));
}

BareSessionBus::~BareSessionBus() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!Wait([&] { return kill(pid_, 0) != 0; }, 3000)) kill(pid_, SIGKILL);
    }
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

}  // namespace pelta::test
