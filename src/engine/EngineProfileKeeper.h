// Keeps the engine's choices in its profile file: puts them back at start and writes the
// file again, at once and in one step, whenever one of them changes.
#pragma once

#include "engine/core/profile/EngineProfile.h"

#include <string>

namespace pelta {

class CaptureEngine;

// The choices the engine holds now, as the profile keeps them.
engine::EngineProfile TakeProfile(CaptureEngine& engine);

class EngineProfileKeeper {
public:
    // Reads the profile at `path` and puts back everything but the devices: compressors and
    // their settings, every device's settings, processors, preview and capture values. With
    // no profile (a first start) or a wholly damaged one, the video compressor is the
    // first-start one. Nothing is written before RestoreDevices.
    EngineProfileKeeper(CaptureEngine& engine, std::string path);

    // Start-up has put the first device of each kind in use; this selects the remembered
    // devices, capture size and sound output instead. A remembered device that is gone, or
    // that refuses to open, leaves the first one in use. From here on every change is saved.
    void RestoreDevices();

    // Writes the profile when the engine's choices differ from those last written. A profile
    // that was damaged when read is kept beside the new one first, as a copy of its bytes.
    void Check();

    const engine::EngineProfile& Loaded() const { return loaded_; }

private:
    CaptureEngine& engine_;
    std::string path_;
    engine::EngineProfile loaded_;
    engine::EngineProfile written_;
    bool damaged_ = false;
    std::string damagedBytes_;
    bool saving_ = false;
};

}  // namespace pelta
