// Finding the capture devices this machine offers: X11 screens, V4L2 cameras, the sound
// server's sources and outputs, and the built-in test pattern and tone.
#pragma once

#include "engine/core/EngineContract.h"

#include <map>
#include <string>
#include <vector>

namespace pelta::engine {

enum class DeviceKind { Screen, Camera, TestPattern, Microphone, TestTone, Output };

struct DeviceInfo {
    std::string DisplayName;
    DeviceKind Kind = DeviceKind::TestPattern;
    std::string InputFormat;   // libavdevice input: x11grab, video4linux2, pulse, alsa, lavfi
    std::string Url;           // what avformat_open_input gets (display, path, source name)
    int X = 0, Y = 0;          // screen region origin
    int Width = 0, Height = 0; // native picture size (screens, cameras)
    std::vector<SizeItem> Sizes;
};

std::vector<DeviceInfo> DiscoverVideoDevices();
std::vector<DeviceInfo> DiscoverAudioDevices();
std::vector<DeviceInfo> DiscoverAudioOutputs();
// Sound server lookups given up on (the server did not answer in time) and still running.
int PendingDeviceLookups();

// The sizes offered for a screen of w x h: its own size, then common smaller sizes of the
// same shape (scaled), largest first.
std::vector<SizeItem> ScreenSizes(int w, int h);
// Whether an ALSA device name (as libavdevice lists them) is a sound card the user can
// choose: "default" and the card devices, not the plugins ALSA lists beside them.
bool KeepAlsaDevice(const std::string& name);
// The fixed sizes of the test pattern, 320x240 to 1920x1080.
std::vector<SizeItem> TestPatternSizes();

}  // namespace pelta::engine
