#include "engine/core/preview/PreviewConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace pelta::engine {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

AVFrame* NewPicture(int w, int h) {
    AVFrame* f = av_frame_alloc();
    if (!f) return nullptr;
    f->format = AV_PIX_FMT_BGR0;
    f->width = w;
    f->height = h;
    if (av_frame_get_buffer(f, 0) < 0) av_frame_free(&f);
    return f;
}

}  // namespace

PreviewConverter::~PreviewConverter() {
    sws_freeContext(scaler_);
    for (AVFrame*& f : pool_) av_frame_free(&f);
    av_frame_free(&spare_);
}

// A pool entry is written only while the pool holds its one reference.
AVFrame* PreviewConverter::TakeFrame(int w, int h) {
    for (AVFrame* f : pool_)
        if (f && f->width == w && f->height == h && av_frame_is_writable(f)) return f;
    // Replace an entry nobody uses any more (or of another size).
    for (AVFrame*& f : pool_) {
        if (!f || av_frame_is_writable(f)) {
            av_frame_free(&f);
            f = NewPicture(w, h);
            return f;
        }
    }
    av_frame_free(&spare_);
    spare_ = NewPicture(w, h);
    return spare_;
}

PreviewPicture PreviewConverter::Convert(const AVFrame* frame, const PictureRect& r, int surfaceW, int surfaceH,
                                         int swsFlags) {
    PreviewPicture out;
    const int fw = frame->width, fh = frame->height;
    if (fw <= 0 || fh <= 0 || r.Width <= 0 || r.Height <= 0) return out;
    const int vx0 = std::max(0, r.X), vx1 = std::min(surfaceW, r.X + r.Width);
    const int vy0 = std::max(0, r.Y), vy1 = std::min(surfaceH, r.Y + r.Height);
    if (vx0 >= vx1 || vy0 >= vy1) return out;

    // The part of the source that lands inside the window.
    int sx0 = int(FloorDiv(int64_t(vx0 - r.X) * fw, r.Width));
    int sx1 = int(std::min<int64_t>(fw, CeilDiv(int64_t(vx1 - r.X) * fw, r.Width)));
    int sy0 = int(FloorDiv(int64_t(vy0 - r.Y) * fh, r.Height));
    int sy1 = int(std::min<int64_t>(fh, CeilDiv(int64_t(vy1 - r.Y) * fh, r.Height)));
    const auto fmt = static_cast<AVPixelFormat>(frame->format);

    if (r.Width == fw && r.Height == fh && (fmt == AV_PIX_FMT_BGR0 || fmt == AV_PIX_FMT_BGRA) &&
        frame->linesize[0] > 0) {
        // 1:1 and already in the window's layout: show the device's own buffer.
        AVFrame* held = av_frame_clone(frame);
        if (!held) return out;
        out.Hold(held);
        out.Pixels = held->data[0] + int64_t(sy0) * held->linesize[0] + int64_t(sx0) * 4;
        out.Width = sx1 - sx0;
        out.Height = sy1 - sy0;
        out.Stride = held->linesize[0];
        out.X = r.X + sx0;
        out.Y = r.Y + sy0;
        out.ZeroCopy = true;
        return out;
    }

    // Subsampled and bit-packed formats can only be cut at whole chroma and byte steps.
    sx0 &= ~7;
    sy0 &= ~1;
    const int cropW = sx1 - sx0, cropH = sy1 - sy0;
    const int dx0 = r.X + int(FloorDiv(int64_t(sx0) * r.Width, fw));
    const int dx1 = r.X + int(CeilDiv(int64_t(sx1) * r.Width, fw));
    const int dy0 = r.Y + int(FloorDiv(int64_t(sy0) * r.Height, fh));
    const int dy1 = r.Y + int(CeilDiv(int64_t(sy1) * r.Height, fh));
    const int dw = dx1 - dx0, dh = dy1 - dy0;
    if (cropW <= 0 || cropH <= 0 || dw <= 0 || dh <= 0 || dw > 16384 || dh > 16384) return out;

    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(fmt);
    if (!desc) return out;
    int xOffset[4] = {0, 0, 0, 0};
    if (sx0 > 0 && av_image_fill_linesizes(xOffset, fmt, sx0) < 0) return out;
    const uint8_t* src[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int p = 0; p < 4 && frame->data[p]; ++p) {
        if ((desc->flags & AV_PIX_FMT_FLAG_PAL) && p == 1) {
            src[p] = frame->data[p];  // the palette itself
            continue;
        }
        const bool chroma = (p == 1 || p == 2) && (desc->flags & AV_PIX_FMT_FLAG_PLANAR);
        const int rows = chroma ? (sy0 >> desc->log2_chroma_h) : sy0;
        src[p] = frame->data[p] + int64_t(rows) * frame->linesize[p] + xOffset[p];
    }

    scaler_ = sws_getCachedContext(scaler_, cropW, cropH, fmt, dw, dh, AV_PIX_FMT_BGRA, swsFlags, nullptr, nullptr,
                                   nullptr);
    if (!scaler_) return out;
    AVFrame* target = TakeFrame(dw, dh);
    if (!target) return out;
    uint8_t* dst[4] = {target->data[0], nullptr, nullptr, nullptr};
    int dstStride[4] = {target->linesize[0], 0, 0, 0};
    sws_scale(scaler_, src, frame->linesize, 0, cropH, dst, dstStride);
    AVFrame* held = av_frame_clone(target);  // the pool's entry is busy while this lives
    if (!held) return out;
    out.Hold(held);
    out.Pixels = held->data[0];
    out.Width = dw;
    out.Height = dh;
    out.Stride = held->linesize[0];
    out.X = dx0;
    out.Y = dy0;
    return out;
}

}  // namespace pelta::engine
