// A private headless Wayland desktop (sway, PipeWire, the desktop portal) for the tests that
// capture a Wayland screen, started with scripts/wayland-session.sh and ended by the PIDs
// it noted. One per test program; its variables are set only while a test has entered it.
#pragma once

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pelta::test {

class WaylandDesktop {
public:
    // Started at the first call; stopped when the program ends.
    static WaylandDesktop& Shared();

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
    // A floating terminal of 640x360 at the top left painted `background` (rrggbb), printing
    // the time every 50 ms; waits until the compositor shows it.
    bool StartClock(const std::string& background);

    bool Sway(const std::string& command) const;  // swaymsg
    // Ends the portal's screen-cast backend (every screen it shares is gone) and starts it
    // again, as a desktop does when the user stops sharing.
    bool RestartPortalBackend();

private:
    WaylandDesktop();
    ~WaylandDesktop();
    void Stop();

    bool up_ = false;
    std::string why_;
    std::string parent_, folder_;
    std::map<std::string, std::string> env_;
    std::map<std::string, std::string> saved_;  // before Enter; "\x01" for unset
    std::vector<pid_t> clients_;
};

}  // namespace pelta::test
