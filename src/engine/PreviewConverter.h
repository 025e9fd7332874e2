// Turns a device picture into the image the preview draws: only the part that is visible
// in the window, in one scaling step, and without any copy when the picture is already
// 32-bit RGB at 1:1.
#pragma once

#include "engine/core/preview/PreviewRect.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <QImage>
#include <QPoint>
#include <array>

struct SwsContext;

namespace pelta {

struct PreviewPicture {
    QImage Image;     // null when nothing is visible
    QPoint Position;  // where the image's top left corner goes in the window
    bool ZeroCopy = false;
};

class PreviewConverter {
public:
    PreviewConverter() = default;
    ~PreviewConverter();
    PreviewConverter(const PreviewConverter&) = delete;
    PreviewConverter& operator=(const PreviewConverter&) = delete;

    // `rect` is where the whole picture lands in a window of surfaceW x surfaceH (it may
    // reach past the window's edges). `swsFlags` chooses the scaling filter.
    PreviewPicture Convert(const AVFrame* frame, const engine::PictureRect& rect, int surfaceW, int surfaceH,
                           int swsFlags);

private:
    QImage* TakeImage(int w, int h);

    SwsContext* scaler_ = nullptr;
    // Images are reused once nobody else holds them, so that converting never allocates
    // (and faults in) a fresh picture-sized buffer per frame.
    std::array<QImage, 3> pool_;
    QImage spare_;
};

}  // namespace pelta
