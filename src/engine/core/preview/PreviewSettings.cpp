#include "engine/core/preview/PreviewSettings.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace pelta::engine {

int PreviewScaleFlags(const PreviewSettings& s) {
    if (!s.Smooth) return SWS_POINT;
    switch (s.Quality) {
    case 0: return SWS_FAST_BILINEAR;
    case 2: return SWS_BICUBIC;
    default: return SWS_BILINEAR;
    }
}

int PreviewAspectWidth(const PreviewSettings& s, int w, int h) {
    if (h <= 0) return w;
    switch (s.Aspect) {
    case 1: return h * 4 / 3;
    case 2: return h * 16 / 9;
    default: return w;
    }
}

}  // namespace pelta::engine
