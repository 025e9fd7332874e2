// How the preview is drawn and how often: the video-display and preview-properties
// dialogs edit these.
#pragma once

namespace pelta::engine {

struct PreviewSettings {
    int Aspect = 0;              // shape used by "fit": 0 the picture's own, 1 4:3, 2 16:9
    bool Smooth = true;          // off: nearest pixel, sharp edges when enlarged
    int MaxRate = 0;             // pictures shown per second at most; 0 every picture
    int Quality = 1;             // scaling: 0 fast, 1 good, 2 best
    int RateWhileCapturing = 0;  // cap while a capture runs (saves the encoder's time); 0 none
    bool operator==(const PreviewSettings&) const = default;
};

// The scaling flags of libswscale for these settings.
int PreviewScaleFlags(const PreviewSettings& s);
// The picture width "fit" should assume for a picture of w x h.
int PreviewAspectWidth(const PreviewSettings& s, int w, int h);

}  // namespace pelta::engine
