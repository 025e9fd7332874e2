// A private headless Wayland desktop for the tests that capture a Wayland screen, started
// with scripts/wayland-session.sh and ended by the PIDs it noted: sway with the wlroots
// portal backend, or GNOME's mutter with GNOME's own backend and a stored grant. One of each
// kind per test program; its variables are set only while a test has entered it.
#pragma once

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pelta::test {

enum class DesktopKind { Sway, Gnome };

class WaylandDesktop {
public:
    // Started at the first call for its kind; stopped when the program ends.
    static WaylandDesktop& Shared(DesktopKind kind = DesktopKind::Sway);

    DesktopKind Kind() const { return kind_; }
    // GNOME: the id of the grant stored for the first monitor, a restore token that shares
    // it without a dialog. Empty for sway.
    std::string GrantToken() const;

    bool Up() const { return up_; }
    const std::string& Why() const { return why_; }  // what failed when not up
    const std::string& Folder() const { return folder_; }

    // This process talks to the desktop (WAYLAND_DISPLAY, the session bus, a Wayland session
    // type, the desktop's own config folder); Leave puts the variables back.
    void Enter();
    void Leave();

    // The output chooser: what it answers next (empty: the user cancels) after how long, and
    // how often it was asked.
    void SetChooserAnswer(const std::string& output, int delaySeconds = 0);
    int ChooserAsked() const;

    // A client of the desktop, ended by StopClients (and at the end).
    pid_t StartClient(const std::vector<std::string>& argv);
    void StopClients();
    // A terminal of 640x360 painted `background` (rrggbb), printing the time every 50 ms;
    // on sway floating at the top left, and waited for until the compositor shows it (on
    // GNOME the compositor places it, and the test waits for its pictures).
    bool StartClock(const std::string& background);

    bool Sway(const std::string& command) const;  // swaymsg
    // Ends the portal's screen-cast backend (every screen it shares is gone) and starts it
    // again, as a desktop does when the user stops sharing.
    bool RestartPortalBackend();

private:
    explicit WaylandDesktop(DesktopKind kind);
    ~WaylandDesktop();
    void Stop();

    DesktopKind kind_;
    bool up_ = false;
    std::string why_;
    std::string parent_, folder_;
    std::map<std::string, std::string> env_;
    std::map<std::string, std::string> saved_;  // before Enter; "\x01" for unset
    std::vector<pid_t> clients_;
};

// A session bus of its own that can start nothing (no service folders): a desktop with no
// portal at all. Ended by its PID.
class BareSessionBus {
public:
    BareSessionBus();
    ~BareSessionBus();
    BareSessionBus(const BareSessionBus&) = delete;
    BareSessionBus& operator=(const BareSessionBus&) = delete;
    bool Up() const { return pid_ > 0 && !address_.empty(); }
    const std::string& Address() const { return address_; }

private:
    std::string dir_, address_;
    pid_t pid_ = 0;
};

}  // namespace pelta::test
