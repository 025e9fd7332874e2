// What the user chose for a device in the property dialogs, kept per device while the
// program runs and applied each time the device is opened.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pelta::engine {

struct VideoSourceSettings {
    int FrameRate = 0;            // frames per second asked of the device; 0: its own default
    std::string InputFormat;      // camera pixel format (video4linux2 input_format); empty: the driver's
    // Screens: the region grabbed (0 width: the whole screen), its origin relative to the screen.
    int RegionX = 0, RegionY = 0, RegionWidth = 0, RegionHeight = 0;
    bool FollowMouse = false;     // the region moves with the pointer
    bool DrawCursor = true;
    std::string Pattern = "testsrc";  // test pattern: a libavfilter source name
    std::map<uint32_t, int32_t> CameraControls;  // V4L2 control id -> value, set after opening

    bool operator==(const VideoSourceSettings&) const = default;
};

struct AudioSourceSettings {
    int SampleRate = 48000;
    int Channels = 2;
    bool operator==(const AudioSourceSettings&) const = default;
};

// The test patterns offered, as (libavfilter source, name shown).
inline const std::vector<std::pair<std::string, std::string>>& TestPatterns() {
    static const std::vector<std::pair<std::string, std::string>> patterns = {
        {"testsrc", "Moving pattern with counter"},
        {"testsrc2", "Colour pattern with counter"},
        {"smptebars", "SMPTE colour bars"},
        {"smptehdbars", "SMPTE HD colour bars"},
        {"rgbtestsrc", "RGB stripes"},
        {"yuvtestsrc", "YUV stripes"},
        {"mandelbrot", "Mandelbrot zoom"},
        {"life", "Game of life"},
    };
    return patterns;
}

// Frame rates offered where the device takes any rate (screens, the test pattern).
inline const std::vector<int>& CommonFrameRates() {
    static const std::vector<int> rates = {5, 10, 15, 24, 25, 30, 50, 60};
    return rates;
}

inline const std::vector<int>& CommonSampleRates() {
    static const std::vector<int> rates = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000};
    return rates;
}

}  // namespace pelta::engine
