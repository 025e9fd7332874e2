// A private X display (Xvfb) and a private PulseAudio with a null sink, for tests that
// capture from real devices. Started once per test program, stopped at its end.
#pragma once

#include <string>
#include <sys/types.h>

namespace pelta::test {

struct MediaServices {
    std::string Display;      // e.g. ":93"
    std::string PulseServer;  // "unix:/.../native"
    bool XvfbUp = false;
    bool PulseUp = false;
};

// Starts both (once); later calls return the same. DISPLAY, PULSE_SERVER and
// XDG_RUNTIME_DIR are set in this process's environment for the engine to find.
const MediaServices& StartMediaServices();
void StopMediaServices();

// Whether this is a CI run (CI=true): there a service that does not start fails the tests
// that need it, where elsewhere they are skipped, saying why.
bool InCi();

// A private X display of its own beside the shared one, for a test that kills it while it is
// read. Xvfb picks a free display number itself, so no other session's display is touched;
// the destructor ends it and removes the lock file and socket a killed Xvfb leaves behind.
class PrivateDisplay {
public:
    explicit PrivateDisplay(const std::string& screen = "320x240x24");
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    bool Up() const { return up_; }
    const std::string& Name() const { return name_; }  // e.g. ":97"
    void Kill();                                       // SIGKILL, as a crashing server

private:
    pid_t pid_ = -1;
    int number_ = -1;
    std::string name_;
    bool up_ = false;
};

// Plays a sine tone into the null sink for `seconds`, as a child whose end the caller waits
// for with WaitForExit (Processes.h).
int StartToneIntoNullSink(double seconds, int frequency = 440);

// The private sound server, for tests that freeze, kill and restart it (only this one).
void SignalPulse(int signal);
// Kills the private server if it runs and starts it again on the same socket.
bool RestartPulse();
// Runs a pactl command against the private server; returns its first line of output.
std::string Pactl(const std::string& args);

}  // namespace pelta::test
