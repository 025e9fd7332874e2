// The benchmarks' screen device: the first screen, read at its top left without the cursor.
#pragma once

#include "engine/core/EngineCore.h"
#ifndef BENCH_CORE_ONLY
#include "engine/CaptureEngine.h"
#endif

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

#ifndef BENCH_CORE_ONLY
// The engine's window beside the grabbed 1920x1080 region (on a screen twice as wide), the
// region grabbed at 30 fps.
inline pelta::engine::EngineCore& ShowBesideGrab(pelta::CaptureEngine& engine) {
    engine.setGeometry(1920, 0, 1920, 1080);
    engine.show();
    GrabScreenRegion(engine.Core(), 1920, 1080, 30);
    return engine.Core();
}

#endif

}  // namespace bench
