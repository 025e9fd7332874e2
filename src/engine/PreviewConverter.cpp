#include "engine/PreviewConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace pelta {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

void FreeFrame(void* frame) {
    auto* f = static_cast<AVFrame*>(frame);
    av_frame_free(&f);
}

}  // namespace

PreviewConverter::~PreviewConverter() { sws_freeContext(scaler_); }

// The pool entry is written while the pool holds the only reference, so bits() never
// detaches (copies) it.
QImage* PreviewConverter::TakeImage(int w, int h) {
    for (QImage& img : pool_) {
        if (img.width() == w && img.height() == h && img.isDetached()) return &img;
    }
    // Replace an entry nobody uses any more (or of another size).
    for (QImage& img : pool_) {
        if (img.isNull() || img.isDetached()) {
            img = QImage(w, h, QImage::Format_RGB32);
            return &img;
        }
    }
    spare_ = QImage(w, h, QImage::Format_RGB32);
    return &spare_;
}

PreviewPicture PreviewConverter::Convert(const AVFrame* frame, const engine::PictureRect& r, int surfaceW,
                                         int surfaceH, int swsFlags) {
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
        uchar* start = held->data[0] + int64_t(sy0) * held->linesize[0] + int64_t(sx0) * 4;
        out.Image = QImage(start, sx1 - sx0, sy1 - sy0, held->linesize[0], QImage::Format_RGB32, &FreeFrame, held);
        out.Position = QPoint(r.X + sx0, r.Y + sy0);
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
    QImage* img = TakeImage(dw, dh);
    uint8_t* dst[4] = {img->bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {static_cast<int>(img->bytesPerLine()), 0, 0, 0};
    sws_scale(scaler_, src, frame->linesize, 0, cropH, dst, dstStride);
    out.Image = *img;
    out.Position = QPoint(dx0, dy0);
    return out;
}

}  // namespace pelta
