// The benchmarks' screen device: the first screen, read at its top left without the cursor.
#pragma once

#include "engine/core/EngineCore.h"

namespace bench {

inline void GrabScreenRegion(pelta::engine::EngineCore& core, int w, int h, int fps) {
    core.VideoInputs().SetSelected(0);
    pelta::engine::VideoSourceSettings grab = core.VideoSettings();
    grab.FrameRate = fps;
    grab.RegionX = grab.RegionY = 0;
    grab.RegionWidth = w;
    grab.RegionHeight = h;
    grab.DrawCursor = false;
    core.SetVideoSettings(grab);
}

}  // namespace bench
