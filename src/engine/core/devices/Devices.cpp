#include "engine/core/devices/Devices.h"

#include "engine/core/devices/SoundServer.h"
#include "engine/core/devices/wayland/PortalScreenSource.h"
#include "engine/core/devices/V4l2Device.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <X11/Xlib.h>
#include <alsa/asoundlib.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <thread>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pelta::engine {

namespace {

// A sound server that hangs must not freeze start-up: discovery runs on its own thread and
// is abandoned after this long.
constexpr auto kDiscoveryTimeout = std::chrono::milliseconds(1500);

std::once_flag gDeviceInit;
void InitDevices() {
    std::call_once(gDeviceInit, [] {
        av_log_set_level(AV_LOG_ERROR);
    });
}

std::vector<DeviceInfo> Screens() {
    std::vector<DeviceInfo> out;
    const char* env = std::getenv("DISPLAY");
    if (!env || !*env) return out;
    const std::string display = env;
    // A busy display server may refuse a connection for a moment: two more tries.
    Display* dpy = XOpenDisplay(env);
    for (int attempt = 0; !dpy && attempt < 2; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        dpy = XOpenDisplay(env);
    }
    if (!dpy) return out;
    for (int s = 0; s < ScreenCount(dpy); ++s) {
        const int w = DisplayWidth(dpy, s), h = DisplayHeight(dpy, s);
        int nmon = 0;
        int evBase = 0, errBase = 0;
        XRRMonitorInfo* mons = nullptr;
        if (XRRQueryExtension(dpy, &evBase, &errBase))
            mons = XRRGetMonitors(dpy, RootWindow(dpy, s), True, &nmon);
        std::string screenUrl = display;
        if (screenUrl.find('.') == std::string::npos) screenUrl += "." + std::to_string(s);
        if (mons && nmon > 1) {
            for (int m = 0; m < nmon; ++m) {
                char* name = XGetAtomName(dpy, mons[m].name);
                DeviceInfo d;
                d.Kind = DeviceKind::Screen;
                d.DisplayName = std::string("Monitor ") + (name ? name : std::to_string(m)) + " (" +
                                std::to_string(mons[m].width) + "x" + std::to_string(mons[m].height) + ")";
                if (name) XFree(name);
                d.InputFormat = "x11grab";
                d.Url = screenUrl;
                d.X = mons[m].x;
                d.Y = mons[m].y;
                d.Width = mons[m].width;
                d.Height = mons[m].height;
                d.Sizes = ScreenSizes(d.Width, d.Height);
                out.push_back(d);
            }
        } else {
            DeviceInfo d;
            d.Kind = DeviceKind::Screen;
            d.DisplayName = "Screen " + std::to_string(s) + " (" + std::to_string(w) + "x" + std::to_string(h) + ")";
            d.InputFormat = "x11grab";
            d.Url = screenUrl;
            d.Width = w;
            d.Height = h;
            d.Sizes = ScreenSizes(w, h);
            out.push_back(d);
        }
        if (mons) XRRFreeMonitors(mons);
    }
    XCloseDisplay(dpy);
    return out;
}

std::vector<DeviceInfo> Cameras() {
    std::vector<DeviceInfo> out;
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/dev", ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("video", 0) == 0) paths.push_back(e.path().string());
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK);
        if (fd < 0) continue;
        v4l2_capability cap{};
        if (ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0) {
            const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
            if (caps & V4L2_CAP_VIDEO_CAPTURE) {
                DeviceInfo d;
                d.Kind = DeviceKind::Camera;
                d.DisplayName = reinterpret_cast<const char*>(cap.card);
                d.InputFormat = "video4linux2";
                d.Url = path;
                // The same listing the Video Format dialog shows.
                V4l2Device camera;
                camera.Adopt(fd);
                for (auto [w, h] : OfferedSizes(UsableFormats(camera))) d.Sizes.push_back({w, h});
                if (!d.Sizes.empty()) {
                    d.Width = d.Sizes.front().Width;
                    d.Height = d.Sizes.front().Height;
                }
                out.push_back(d);
            }
        }
        close(fd);
    }
    return out;
}

// The ALSA devices that can record (or play, for `output`) with their descriptions, as ALSA's
// own hints give them; the description is the last line of the hint's, where it has several.
std::vector<std::pair<std::string, std::string>> ListAlsa(bool output) {
    std::vector<std::pair<std::string, std::string>> out;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) return out;
    const std::string wanted = output ? "Output" : "Input";
    auto hint = [](const void* h, const char* id) {
        char* value = snd_device_name_get_hint(h, id);
        std::string text = value != nullptr ? value : "";
        std::free(value);
        return text;
    };
    for (void** h = hints; *h != nullptr; ++h) {
        const std::string name = hint(*h, "NAME"), io = hint(*h, "IOID");
        if (name.empty() || (!io.empty() && io != wanted)) continue;  // no IOID: both ways
        std::string description = hint(*h, "DESC");
        if (const auto nl = description.rfind('\n'); nl != std::string::npos && nl + 1 < description.size())
            description.erase(0, nl + 1);
        out.emplace_back(name, description.empty() ? name : description);
    }
    snd_device_name_free_hint(hints);
    return out;
}

// The lookup threads. One that outlives its timeout (a sound server that never answers)
// stays owned here and is joined once it has ended, at the next lookup or at exit.
class LookupThreads {
public:
    ~LookupThreads() {
        std::lock_guard lock(mutex_);
        for (Lookup& l : running_) {
            // A server that never answers would hold up the program's exit for good.
            if (*l.Done) l.Thread.join();
            else l.Thread.detach();
        }
    }
    void Start(std::function<void()> work) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread t([work = std::move(work), done] {
            work();
            *done = true;
        });
        std::lock_guard lock(mutex_);
        ReapLocked();
        running_.push_back({std::move(t), std::move(done)});
    }
    int Pending() {
        std::lock_guard lock(mutex_);
        ReapLocked();
        return static_cast<int>(running_.size());
    }

private:
    struct Lookup {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };
    void ReapLocked() {
        std::erase_if(running_, [](Lookup& l) {
            if (!*l.Done) return false;
            l.Thread.join();
            return true;
        });
    }
    std::mutex mutex_;
    std::vector<Lookup> running_;
};
LookupThreads gLookups;

// Runs a lookup on its own thread and gives up waiting for it after the timeout.
std::vector<std::pair<std::string, std::string>> ListWithTimeout(bool output) {
    auto task = std::make_shared<std::packaged_task<std::vector<std::pair<std::string, std::string>>()>>(
        [output] { return ListAlsa(output); });
    auto result = task->get_future();
    gLookups.Start([task] { (*task)(); });
    if (result.wait_for(kDiscoveryTimeout) != std::future_status::ready) return {};
    return result.get();
}

std::vector<DeviceInfo> SoundDevices(bool output) {
    InitDevices();
    std::vector<DeviceInfo> out;
    const bool pulse = SoundServerConfigured();
    const char* format = pulse ? "pulse" : "alsa";
    std::vector<std::pair<std::string, std::string>> found;
    if (pulse) {
        // Asked with libpulse itself, every wait bounded: a hung server costs the timeout.
        SoundGraph graph;
        if (SnapshotSoundServer(graph, kDiscoveryTimeout))
            for (const auto& d : output ? graph.Sinks : graph.Sources) found.emplace_back(d.Name, d.Description);
    } else {
        found = ListWithTimeout(output);
    }
    for (auto& [name, description] : found) {
        if (!pulse && !KeepAlsaDevice(name)) continue;
        DeviceInfo d;
        d.Kind = output ? DeviceKind::Output : DeviceKind::Microphone;
        d.InputFormat = format;
        d.Url = name;
        d.DisplayName = description.empty() ? name : description;
        // Monitors are what the user hears; say so plainly.
        if (!output && name.size() > 8 && name.compare(name.size() - 8, 8, ".monitor") == 0 &&
            d.DisplayName.find("onitor") == std::string::npos)
            d.DisplayName += " (what you hear)";
        out.push_back(d);
    }
    return out;
}

}  // namespace

int PendingDeviceLookups() { return gLookups.Pending(); }

bool KeepAlsaDevice(const std::string& name) {
    if (name == "default") return true;
    // Everything else ALSA names is a plugin (rate converters, JACK, OSS, the sound
    // server's bridge) that is no device of its own and mostly cannot be opened.
    if (name.find("CARD=") == std::string::npos) return false;
    for (const char* kind : {"sysdefault:", "hw:", "plughw:", "front:", "dsnoop:", "dmix:"})
        if (name.rfind(kind, 0) == 0) return true;
    return false;
}

std::vector<SizeItem> ScreenSizes(int w, int h) {
    std::vector<SizeItem> out;
    if (w <= 0 || h <= 0) return out;
    out.push_back({w, h});
    for (int target : {1080, 720, 576, 480, 360, 240}) {
        if (target >= h) continue;
        int tw = static_cast<int>(static_cast<int64_t>(w) * target / h);
        tw -= tw % 2;
        out.push_back({tw, target});
    }
    return out;
}

std::vector<SizeItem> TestPatternSizes() {
    return {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}};
}

std::vector<DeviceInfo> DiscoverVideoDevices() {
    InitDevices();
    // On a Wayland desktop the X server only shows X programs: the portal's screen replaces it.
    std::vector<DeviceInfo> out = PortalScreens();
    if (out.empty()) {
        out = Screens();
        MarkXWaylandScreens(out);
    }
    for (auto& c : Cameras()) out.push_back(std::move(c));
    DeviceInfo t;
    t.Kind = DeviceKind::TestPattern;
    t.DisplayName = "Test Pattern";
    t.InputFormat = "lavfi";
    t.Width = 640;
    t.Height = 480;
    t.Sizes = TestPatternSizes();
    out.push_back(t);
    return out;
}

std::vector<DeviceInfo> DiscoverAudioDevices() {
    std::vector<DeviceInfo> out = SoundDevices(false);
    DeviceInfo t;
    t.Kind = DeviceKind::TestTone;
    t.DisplayName = "Test Tone";
    t.InputFormat = "lavfi";
    out.push_back(t);
    return out;
}

std::vector<DeviceInfo> DiscoverAudioOutputs() { return SoundDevices(true); }

}  // namespace pelta::engine
