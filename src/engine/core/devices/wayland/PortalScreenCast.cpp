#include "engine/core/devices/wayland/PortalScreenCast.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace pelta::engine {

namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenCast = "org.freedesktop.portal.ScreenCast";
constexpr uint64_t kProbeTimeoutUs = 1000000;  // a portal that hangs must not freeze start-up
constexpr uint64_t kCallTimeoutUs = 5000000;    // each call answers at once; the answer comes later
constexpr uint64_t kCloseTimeoutUs = 500000;
constexpr uint64_t kPollUs = 100000;            // how often the conversation looks for a stop

bool Env(const char* name, std::string* value = nullptr) {
    const char* v = std::getenv(name);
    if (!v || !*v) return false;
    if (value) *value = v;
    return true;
}

// a{sv} from (key, type, value) triples.
struct Option {
    const char* Key;
    char Type;  // 's', 'u' or 'b'
    uint32_t Number = 0;
    std::string Text;
};

int AppendOptions(sd_bus_message* m, const std::vector<Option>& options) {
    int r = sd_bus_message_open_container(m, 'a', "{sv}");
    for (const Option& o : options) {
        if (r < 0) return r;
        const char sig[2] = {o.Type, 0};
        if ((r = sd_bus_message_open_container(m, 'e', "sv")) < 0) return r;
        if ((r = sd_bus_message_append_basic(m, 's', o.Key)) < 0) return r;
        if ((r = sd_bus_message_open_container(m, 'v', sig)) < 0) return r;
        if (o.Type == 's') {
            r = sd_bus_message_append_basic(m, 's', o.Text.c_str());
        } else {
            const int b = o.Number != 0;
            r = sd_bus_message_append_basic(m, o.Type, o.Type == 'b' ? static_cast<const void*>(&b)
                                                                     : static_cast<const void*>(&o.Number));
        }
        if (r < 0 || (r = sd_bus_message_close_container(m)) < 0 || (r = sd_bus_message_close_container(m)) < 0)
            return r;
    }
    return r < 0 ? r : sd_bus_message_close_container(m);
}

// Reads a variant holding a string or an object path.
bool ReadTextVariant(sd_bus_message* m, std::string& out) {
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(m, &type, &contents) < 0 || type != 'v' || !contents) return false;
    if (std::strcmp(contents, "s") != 0 && std::strcmp(contents, "o") != 0) {
        sd_bus_message_skip(m, "v");
        return false;
    }
    const char* text = nullptr;
    if (sd_bus_message_read(m, "v", contents, &text) < 0 || !text) return false;
    out = text;
    return true;
}

}  // namespace

struct PortalScreenCast::Results {
    std::atomic<bool> Answered{false};
    uint32_t Response = 2;
    std::string SessionHandle;
    std::string RestoreToken;
    bool HaveStream = false;
    uint32_t Node = 0;
    int Width = 0, Height = 0;
};

namespace {

// streams: a(ua{sv}); the first stream is the one read.
int ReadStreams(sd_bus_message* m, bool& have, uint32_t& node, int& w, int& h) {
    int r = sd_bus_message_enter_container(m, 'v', "a(ua{sv})");
    if (r < 0) return r;
    if ((r = sd_bus_message_enter_container(m, 'a', "(ua{sv})")) < 0) return r;
    while ((r = sd_bus_message_enter_container(m, 'r', "ua{sv}")) > 0) {
        uint32_t id = 0;
        if ((r = sd_bus_message_read(m, "u", &id)) < 0) return r;
        if ((r = sd_bus_message_enter_container(m, 'a', "{sv}")) < 0) return r;
        int width = 0, height = 0;
        while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
            const char* key = nullptr;
            if ((r = sd_bus_message_read(m, "s", &key)) < 0) return r;
            if (key && std::strcmp(key, "size") == 0) r = sd_bus_message_read(m, "v", "(ii)", &width, &height);
            else r = sd_bus_message_skip(m, "v");
            if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0) return r;
        }
        if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0 || (r = sd_bus_message_exit_container(m)) < 0)
            return r;
        if (!have) {
            have = true;
            node = id;
            w = width;
            h = height;
        }
    }
    if (r < 0 || (r = sd_bus_message_exit_container(m)) < 0) return r;
    return sd_bus_message_exit_container(m);
}

}  // namespace

std::string OfferUrl(const PortalOffer& o) {
    return "portal:v" + std::to_string(o.Version) + ":t" + std::to_string(o.SourceTypes) + ":c" +
           std::to_string(o.CursorModes);
}

PortalOffer OfferFromUrl(const std::string& url) {
    PortalOffer o;
    unsigned v = 0, t = 0, c = 0;
    char tail = 0;
    if (std::sscanf(url.c_str(), "portal:v%u:t%u:c%u%c", &v, &t, &c, &tail) == 3) {
        o.Available = true;
        o.Version = v;
        o.SourceTypes = t;
        o.CursorModes = c;
    }
    return o;
}

bool InWaylandSession() {
    std::string type;
    return Env("WAYLAND_DISPLAY") || (Env("XDG_SESSION_TYPE", &type) && type == "wayland");
}

PortalOffer ProbeScreenCastPortal() {
    PortalOffer offer;
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return offer;
    sd_bus_set_method_call_timeout(bus, kProbeTimeoutUs);
    bool ok = true;
    for (auto [name, value] : {std::pair{"version", &offer.Version}, {"AvailableSourceTypes", &offer.SourceTypes},
                               {"AvailableCursorModes", &offer.CursorModes}}) {
        sd_bus_error err = SD_BUS_ERROR_NULL;
        if (sd_bus_get_property_trivial(bus, kPortal, kPortalPath, kScreenCast, name, &err, 'u', value) < 0) {
            // An old portal may lack the cursor modes; without a version there is no interface.
            if (std::strcmp(name, "AvailableCursorModes") != 0) ok = false;
        }
        sd_bus_error_free(&err);
        if (!ok) break;
    }
    sd_bus_flush_close_unref(bus);
    offer.Available = ok && (offer.SourceTypes & 1u) != 0;
    return offer;
}

SourceRequest RequestFor(const PortalOffer& offer, bool drawCursor) {
    SourceRequest r;
    r.Types = 1u | (offer.SourceTypes & 2u);
    if (drawCursor && (offer.CursorModes & 2u)) r.CursorMode = 2;
    else if (offer.CursorModes & 1u) r.CursorMode = 1;
    else if (offer.CursorModes & 2u) r.CursorMode = 2;
    r.PersistMode = offer.Version >= 4 ? 2 : 0;
    return r;
}

std::string PortalStatePath() {
    std::string base;
    if (!Env("XDG_CONFIG_HOME", &base)) {
        std::string home;
        base = (Env("HOME", &home) ? home : std::string(".")) + "/.config";
    }
    return base + "/pelta-rx/portal-state";
}

std::string LoadRestoreToken() {
    std::ifstream in(PortalStatePath());
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("restore_token=", 0) == 0) return line.substr(14);
    return {};
}

bool SaveRestoreToken(const std::string& token) {
    if (token.find('\n') != std::string::npos) return false;
    const std::filesystem::path path = PortalStatePath();
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    const std::string temp = path.string() + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << "restore_token=" << token << "\n";
        out.flush();
        if (!out) {
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

PortalScreenCast::PortalScreenCast(const PortalOffer& offer, bool drawCursor, std::function<void(PortalGrant)> granted,
                                   std::function<void(const std::string&)> ended)
    : offer_(offer), drawCursor_(drawCursor), granted_(std::move(granted)), ended_(std::move(ended)) {
    thread_ = std::thread([this] { Run(); });
}

PortalScreenCast::~PortalScreenCast() {
    {
        std::lock_guard lock(callbackMutex_);
        callbacksOff_ = true;
    }
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void PortalScreenCast::End(const std::string& why) {
    std::lock_guard lock(callbackMutex_);
    if (callbacksOff_ || endedSent_) return;
    endedSent_ = true;
    if (ended_) ended_(why);
}

// Processes the bus until the flag is set; false when asked to stop first or the bus broke.
bool PortalScreenCast::WaitFor(const std::atomic<bool>& flag) {
    while (!flag && !stop_) {
        const int r = sd_bus_process(bus_, nullptr);
        if (r < 0) return false;
        if (r > 0) continue;
        if (sd_bus_wait(bus_, kPollUs) < 0) return false;
    }
    return flag.load();
}

// Calls a ScreenCast method that answers through a Request object and waits for the answer.
bool PortalScreenCast::Ask(const char* method,
                           const std::function<int(sd_bus_message*, const std::string& token)>& args, Results& out,
                           std::string& why) {
    const std::string token = "pelta" + std::to_string(++tokens_);
    const std::string expected = std::string(kPortalPath) + "/request/" + sender_ + "/" + token;
    auto onResponse = [](sd_bus_message* m, void* data, sd_bus_error*) -> int {
        auto* res = static_cast<Results*>(data);
        if (sd_bus_message_read(m, "u", &res->Response) >= 0 && sd_bus_message_enter_container(m, 'a', "{sv}") >= 0) {
            while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
                const char* key = nullptr;
                if (sd_bus_message_read(m, "s", &key) < 0 || !key) break;
                int r = 0;
                if (std::strcmp(key, "session_handle") == 0) ReadTextVariant(m, res->SessionHandle);
                else if (std::strcmp(key, "restore_token") == 0) ReadTextVariant(m, res->RestoreToken);
                else if (std::strcmp(key, "streams") == 0)
                    r = ReadStreams(m, res->HaveStream, res->Node, res->Width, res->Height);
                else r = sd_bus_message_skip(m, "v");
                if (r < 0 || sd_bus_message_exit_container(m) < 0) break;
            }
        }
        res->Answered = true;
        return 0;
    };
    sd_bus_slot* slot = nullptr;
    sd_bus_slot* other = nullptr;
    sd_bus_match_signal(bus_, &slot, nullptr, expected.c_str(), "org.freedesktop.portal.Request", "Response",
                        onResponse, &out);
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error err = SD_BUS_ERROR_NULL;
    int r = sd_bus_message_new_method_call(bus_, &call, kPortal, kPortalPath, kScreenCast, method);
    if (r >= 0) r = args(call, token);
    if (r >= 0) r = sd_bus_call(bus_, call, kCallTimeoutUs, &err, &reply);
    const char* handle = nullptr;
    if (r >= 0 && sd_bus_message_read(reply, "o", &handle) >= 0 && handle && expected != handle) {
        // Old portals name the request differently; the answer is still queued on the bus.
        sd_bus_match_signal(bus_, &other, nullptr, handle, "org.freedesktop.portal.Request", "Response", onResponse,
                            &out);
    }
    if (r < 0) why = std::string("the desktop portal's ") + method + " failed (" +
                     (err.message ? err.message : std::strerror(-r)) + ")";
    sd_bus_error_free(&err);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    const bool answered = r >= 0 && WaitFor(out.Answered);
    sd_bus_slot_unref(other);
    sd_bus_slot_unref(slot);
    if (r >= 0 && !answered && why.empty()) why = "the connection to the desktop portal was lost";
    if (answered && out.Response == 1) why = "the choice of what to share was cancelled";
    else if (answered && out.Response != 0)
        why = std::string("the desktop refused (its portal's ") + method + " gave up)";
    return answered && out.Response == 0;
}

bool PortalScreenCast::Converse(std::string& why) {
    if (sd_bus_open_user(&bus_) < 0) {
        why = "there is no session bus to reach the desktop portal";
        return false;
    }
    sd_bus_set_method_call_timeout(bus_, kCallTimeoutUs);
    const char* unique = nullptr;
    if (sd_bus_get_unique_name(bus_, &unique) < 0 || !unique) {
        why = "the session bus gave no name";
        return false;
    }
    sender_ = unique + 1;  // ":1.42" -> "1_42"
    for (char& c : sender_)
        if (c == '.') c = '_';

    Results created;
    if (!Ask("CreateSession",
             [](sd_bus_message* m, const std::string& token) {
                 return AppendOptions(m, {{"handle_token", 's', 0, token}, {"session_handle_token", 's', 0, token}});
             },
             created, why))
        return false;
    session_ = created.SessionHandle;
    if (session_.empty()) {
        why = "the desktop portal opened no session";
        return false;
    }
    auto onClosed = [](sd_bus_message*, void* data, sd_bus_error*) -> int {
        static_cast<PortalScreenCast*>(data)->closed_ = true;
        return 0;
    };
    sd_bus_match_signal(bus_, nullptr, nullptr, session_.c_str(), "org.freedesktop.portal.Session", "Closed",
                        onClosed, this);

    const SourceRequest request = RequestFor(offer_, drawCursor_);
    const std::string restore = request.PersistMode ? LoadRestoreToken() : std::string();
    Results selected;
    if (!Ask("SelectSources",
             [&](sd_bus_message* m, const std::string& token) {
                 int r = sd_bus_message_append(m, "o", session_.c_str());
                 std::vector<Option> o = {{"handle_token", 's', 0, token},
                                          {"types", 'u', request.Types, {}},
                                          {"multiple", 'b', 0, {}}};
                 if (request.CursorMode) o.push_back({"cursor_mode", 'u', request.CursorMode, {}});
                 if (request.PersistMode) o.push_back({"persist_mode", 'u', request.PersistMode, {}});
                 if (!restore.empty()) o.push_back({"restore_token", 's', 0, restore});
                 return r < 0 ? r : AppendOptions(m, o);
             },
             selected, why))
        return false;

    Results started;
    if (!Ask("Start",
             [&](sd_bus_message* m, const std::string& token) {
                 int r = sd_bus_message_append(m, "os", session_.c_str(), "");
                 return r < 0 ? r : AppendOptions(m, {{"handle_token", 's', 0, token}});
             },
             started, why))
        return false;
    if (!started.HaveStream) {
        why = "the desktop shared no stream";
        return false;
    }
    if (!started.RestoreToken.empty()) SaveRestoreToken(started.RestoreToken);

    sd_bus_message* reply = nullptr;
    sd_bus_error err = SD_BUS_ERROR_NULL;
    int fd = -1;
    int r = sd_bus_call_method(bus_, kPortal, kPortalPath, kScreenCast, "OpenPipeWireRemote", &err, &reply, "oa{sv}",
                               session_.c_str(), 0);
    if (r >= 0 && sd_bus_message_read(reply, "h", &fd) >= 0 && fd >= 0) fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    else fd = -1;
    if (fd < 0) why = std::string("the desktop portal gave no PipeWire connection (") +
                      (err.message ? err.message : "no descriptor") + ")";
    sd_bus_error_free(&err);
    sd_bus_message_unref(reply);
    if (fd < 0) return false;

    PortalGrant grant{fd, started.Node, started.Width, started.Height};
    {
        std::lock_guard lock(callbackMutex_);
        if (callbacksOff_ || !granted_) {
            close(fd);
            return true;
        }
        granted_(grant);
    }
    return true;
}

void PortalScreenCast::Run() {
    std::string why;
    if (!Converse(why)) {
        if (!stop_) End("The desktop did not share a screen: " + why + ".");
    } else if (WaitFor(closed_)) {
        End("The desktop stopped sharing the screen.");
    } else if (!stop_) {
        End("The connection to the desktop portal was lost.");
    }
    if (bus_ && !session_.empty() && !closed_) {
        // Closing must not hold up whoever ends the capture, even with a portal that hangs.
        sd_bus_set_method_call_timeout(bus_, kCloseTimeoutUs);
        sd_bus_call_method(bus_, kPortal, session_.c_str(), "org.freedesktop.portal.Session", "Close", nullptr,
                           nullptr, "");
    }
    if (bus_) bus_ = sd_bus_flush_close_unref(bus_);
}

}  // namespace pelta::engine
