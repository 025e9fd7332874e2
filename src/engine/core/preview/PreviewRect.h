// Where the preview picture goes in its window for each PreviewFit value.
#pragma once

namespace pelta::engine {

struct PictureRect {
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool operator==(const PictureRect&) const = default;
};

// 0 fit (keeps the aspect ratio), 1 stretch, 2 = 100 %, 3 = 75 %, 4 = 50 %, 5 = 200 %;
// the fixed scales are centred and may reach outside the window (the painter clips them).
// Any other value is treated as 100 %.
inline PictureRect PreviewRectFor(int fit, int pictureW, int pictureH, int windowW, int windowH) {
    if (pictureW <= 0 || pictureH <= 0 || windowW <= 0 || windowH <= 0) return {};
    if (fit == 1) return {0, 0, windowW, windowH};
    int w = pictureW, h = pictureH;
    if (fit == 0) {
        if (static_cast<long long>(windowW) * pictureH <= static_cast<long long>(windowH) * pictureW) {
            w = windowW;
            h = static_cast<int>(static_cast<long long>(pictureH) * windowW / pictureW);
        } else {
            h = windowH;
            w = static_cast<int>(static_cast<long long>(pictureW) * windowH / pictureH);
        }
    } else if (fit == 3) {
        w = pictureW * 3 / 4;
        h = pictureH * 3 / 4;
    } else if (fit == 4) {
        w = pictureW / 2;
        h = pictureH / 2;
    } else if (fit == 5) {
        w = pictureW * 2;
        h = pictureH * 2;
    }
    return {(windowW - w) / 2, (windowH - h) / 2, w, h};
}

}  // namespace pelta::engine
