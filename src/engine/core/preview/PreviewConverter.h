// Turns a device picture into the picture the preview draws: only the part that is visible
// in the window, in one scaling step, and without any copy when the picture is already
// 32-bit RGB at 1:1. The result is 32-bit B, G, R, unused rows held by a frame reference,
// which the window's side wraps without copying.
#pragma once

#include "engine/core/preview/PreviewRect.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <array>
#include <cstdint>
#include <utility>

struct SwsContext;

namespace pelta::engine {

class PreviewPicture {
public:
    PreviewPicture() = default;
    ~PreviewPicture() { av_frame_free(&holder_); }
    PreviewPicture(PreviewPicture&& o) noexcept { *this = std::move(o); }
    PreviewPicture& operator=(PreviewPicture&& o) noexcept {
        std::swap(holder_, o.holder_);
        Pixels = o.Pixels;
        Width = o.Width;
        Height = o.Height;
        Stride = o.Stride;
        X = o.X;
        Y = o.Y;
        ZeroCopy = o.ZeroCopy;
        return *this;
    }

    bool IsNull() const { return !holder_; }
    // Hands the reference that keeps the pixels alive to whoever shows them.
    AVFrame* ReleaseHolder() { return std::exchange(holder_, nullptr); }
    void Hold(AVFrame* holder) {
        av_frame_free(&holder_);
        holder_ = holder;
    }

    const uint8_t* Pixels = nullptr;  // the top left pixel
    int Width = 0, Height = 0, Stride = 0;
    int X = 0, Y = 0;  // where the top left pixel goes in the window
    bool ZeroCopy = false;

private:
    AVFrame* holder_ = nullptr;
};

class PreviewConverter {
public:
    PreviewConverter() = default;
    ~PreviewConverter();
    PreviewConverter(const PreviewConverter&) = delete;
    PreviewConverter& operator=(const PreviewConverter&) = delete;

    // `rect` is where the whole picture lands in a window of surfaceW x surfaceH (it may
    // reach past the window's edges). `swsFlags` chooses the scaling filter.
    PreviewPicture Convert(const AVFrame* frame, const PictureRect& rect, int surfaceW, int surfaceH, int swsFlags);

private:
    AVFrame* TakeFrame(int w, int h);

    SwsContext* scaler_ = nullptr;
    // Pictures are reused once nobody else holds them, so that converting never allocates
    // (and faults in) a fresh picture-sized buffer per frame.
    std::array<AVFrame*, 3> pool_{};
    AVFrame* spare_ = nullptr;
};

}  // namespace pelta::engine
