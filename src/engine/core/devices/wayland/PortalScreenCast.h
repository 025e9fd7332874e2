// The XDG desktop portal's ScreenCast interface: how a program on a Wayland desktop asks
// to see the screen. The desktop may ask the user which screen (or window) to share; what
// it grants arrives as a PipeWire remote and the node of the stream to read.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

typedef struct sd_bus sd_bus;
typedef struct sd_bus_message sd_bus_message;

namespace pelta::engine {

// What the session's ScreenCast portal offers (its properties).
struct PortalOffer {
    bool Available = false;
    uint32_t Version = 0;
    uint32_t SourceTypes = 0;  // bits: 1 monitor, 2 window, 4 virtual
    uint32_t CursorModes = 0;  // bits: 1 hidden, 2 embedded, 4 metadata
    bool operator==(const PortalOffer&) const = default;
};

// The offer as a device URL keeps it ("portal:v4:t1:c3"), and back.
std::string OfferUrl(const PortalOffer& offer);
PortalOffer OfferFromUrl(const std::string& url);

// Whether this process runs in a Wayland session (WAYLAND_DISPLAY set, or
// XDG_SESSION_TYPE=wayland).
bool InWaylandSession();

// Asks the session bus for the ScreenCast portal; bounded in time. Not available when there
// is no session bus, no portal, or no ScreenCast interface.
PortalOffer ProbeScreenCastPortal();

// What SelectSources asks for, from the offer and the user's cursor choice.
struct SourceRequest {
    uint32_t Types = 1;
    uint32_t CursorMode = 0;   // 0: not asked (the portal offers no cursor modes)
    uint32_t PersistMode = 0;  // 2: keep the grant until revoked (portal version 4 and later)
};
SourceRequest RequestFor(const PortalOffer& offer, bool drawCursor);

// The restore token of the last grant, kept in a small per-user state file beside the
// settings ($XDG_CONFIG_HOME/pelta-rx/portal-state), so the next start shares the same
// screen without asking.
std::string PortalStatePath();
std::string LoadRestoreToken();
bool SaveRestoreToken(const std::string& token);  // written whole or not at all

struct PortalGrant {
    int Fd = -1;  // PipeWire remote; the receiver owns it
    uint32_t Node = 0;
    int Width = 0, Height = 0;  // as the portal describes the stream (0 when it does not)
};

// One screen-cast session, talked through on its own thread so that a chooser the user
// takes their time with blocks nobody. `granted` runs once when the desktop shares a
// screen; `ended` runs at most once, with a text for the user, when the desktop refuses,
// fails, or later closes the session (the user stopped sharing). Neither runs after the
// destructor has begun.
class PortalScreenCast {
public:
    PortalScreenCast(const PortalOffer& offer, bool drawCursor, std::function<void(PortalGrant)> granted,
                     std::function<void(const std::string& why)> ended);
    ~PortalScreenCast();  // closes the session
    PortalScreenCast(const PortalScreenCast&) = delete;
    PortalScreenCast& operator=(const PortalScreenCast&) = delete;

private:
    struct Results;
    void Run();
    bool Converse(std::string& why);
    bool Ask(const char* method, const std::function<int(sd_bus_message*, const std::string& token)>& args,
             Results& out, std::string& why);
    bool WaitFor(const std::atomic<bool>& flag);
    void End(const std::string& why);

    PortalOffer offer_;
    bool drawCursor_;
    std::function<void(PortalGrant)> granted_;
    std::function<void(const std::string&)> ended_;
    sd_bus* bus_ = nullptr;
    std::string sender_;   // the bus name as it appears in request paths
    std::string session_;  // session handle
    int tokens_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> closed_{false};
    std::mutex callbackMutex_;
    bool callbacksOff_ = false;  // under callbackMutex_
    bool endedSent_ = false;     // under callbackMutex_
    std::thread thread_;
};

}  // namespace pelta::engine
