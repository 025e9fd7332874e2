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

}  // namespace pelta::test
