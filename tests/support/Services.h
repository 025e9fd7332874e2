// A private X display (Xvfb) and a private PulseAudio with a null sink, for tests that
// capture from real devices. Started once per test program, stopped at its end.
#pragma once

#include <string>

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

// Plays a sine tone into the null sink for `seconds` in the background.
void PlayToneIntoNullSink(double seconds, int frequency = 440);
// The same, as a child whose end the caller waits for with WaitForChild.
int StartToneIntoNullSink(double seconds, int frequency = 440);
void WaitForChild(int pid);

// The private sound server, for tests that freeze, kill and restart it (only this one).
void SignalPulse(int signal);
// Kills the private server if it runs and starts it again on the same socket.
bool RestartPulse();
// Runs a pactl command against the private server; returns its first line of output.
std::string Pactl(const std::string& args);

}  // namespace pelta::test
