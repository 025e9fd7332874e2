// The engine's own per-user profile: every choice the user makes in the engine (devices,
// compressors and their settings, capture size, processors, preview and capture values), so
// that the next start finds them again. A small text file kept beside the settings file.
// No Qt: reading, writing and the file format live here; the engine control takes and
// applies the values.
#pragma once

#include "engine/core/preview/PreviewSettings.h"
#include "engine/core/devices/SourceSettings.h"
#include "engine/core/processors/FilterCatalog.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/EncoderSettings.h"

#include <array>
#include <map>
#include <string>

namespace pelta::engine {

// A list entry remembered by its name, since list positions change between starts.
struct NamedChoice {
    enum class Kind { Unset, None, Named };
    Kind State = Kind::Unset;  // Unset: the profile does not say; None: the "None" entry (-1)
    std::string Name;

    static NamedChoice Nothing() { return {Kind::None, {}}; }
    static NamedChoice Called(std::string name) { return {Kind::Named, std::move(name)}; }
    bool operator==(const NamedChoice&) const = default;
};

// The video compressor of a first start, the first of these this FFmpeg offers: files a
// person can keep and share, at a small fraction of "No Recompression"'s size. On two cores
// x264 "ultrafast" costs less time per 1920x1080 picture than Motion JPEG and makes files
// many times smaller for a screen (see README).
inline constexpr std::array<const char*, 2> kFirstStartVideoCompressors = {"H.264 (x264)", "Motion JPEG"};

struct EngineProfile {
    NamedChoice VideoDevice, AudioDevice, AudioOutput;
    int VideoWidth = 0, VideoHeight = 0;  // the capture size; 0: the device's first
    NamedChoice VideoCompressor, AudioCompressor;
    std::map<std::string, record::EncoderSettings> Encoders;  // by libavcodec encoder name
    std::map<std::string, VideoSourceSettings> VideoSources;  // by device name
    std::map<std::string, AudioSourceSettings> AudioSources;
    processors::ChainDescription VideoProcessors, AudioProcessors;

    PreviewSettings Preview;
    int PreviewInput = 0;
    int PreviewTap = 0;
    bool PreviewDuringProperties = true;

    CaptureQueueSettings Queue;
    bool TimeLimitOn = false;
    double TimeLimitSeconds = 0;
    bool FrameRateOn = false;
    double FrameRateValue = 0;
    double FrameGapSeconds = 1;
    int MasterStreamIndex = -1;

    bool operator==(const EngineProfile& o) const;
};

std::string ProfileText(const EngineProfile& profile);
// Reads every line it understands and skips the rest; `damaged` (when given) tells whether
// a line was skipped. Text that is wholly damaged gives the defaults.
EngineProfile ParseProfile(const std::string& text, bool* damaged = nullptr);

// The profile's file name in the folder of the settings file.
inline constexpr const char* kProfileFileName = "engine.profile";

}  // namespace pelta::engine
