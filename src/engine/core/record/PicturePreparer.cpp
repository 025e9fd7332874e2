#include "engine/core/record/PicturePreparer.h"

#include "engine/core/MappedMemory.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

namespace pelta::engine::record {

namespace {

// Rows start on this boundary, as libavutil's own frame buffers do for the widest SIMD.
constexpr int kRowAlign = 64;

}  // namespace

PicturePreparer::PicturePreparer(AVPixelFormat format, int width, int height)
    : format_(format), width_(width), height_(height) {
    // The narrowest padded width whose every plane's rows are aligned.
    for (int pad = 1; pad <= 8 * kRowAlign; pad *= 2) {
        if (av_image_fill_linesizes(linesize_, format_, (width_ + pad - 1) / pad * pad) < 0) return;
        if (std::all_of(linesize_, linesize_ + 4, [](int l) { return l % kRowAlign == 0; })) break;
    }
    size_t sizes[4] = {};
    const ptrdiff_t lines[4] = {linesize_[0], linesize_[1], linesize_[2], linesize_[3]};
    if (av_image_fill_plane_sizes(sizes, format_, height_, lines) < 0) return;
    for (size_t s : sizes) bytes_ += s;
    // Encoders may read a little past the last row.
    pool_ = av_buffer_pool_init2(bytes_ + kRowAlign + 16, this, MakeBuffer, nullptr);
}

AVBufferRef* PicturePreparer::MakeBuffer(void* preparer, size_t size) {
    AVBufferRef* b = MappedBuffer(size);
    if (b != nullptr) ++static_cast<PicturePreparer*>(preparer)->made_;
    return b;
}

void PicturePreparer::Reserve(int pictures) {
    std::vector<AVBufferRef*> taken;
    while (pool_ != nullptr && made_ < pictures) {
        AVBufferRef* b = av_buffer_pool_get(pool_);
        if (b == nullptr) break;
        taken.push_back(b);
    }
    for (AVBufferRef*& b : taken) av_buffer_unref(&b);
}

PicturePreparer::~PicturePreparer() {
    // Pictures still out (queued, in the encoder) keep their buffers until released.
    av_buffer_pool_uninit(&pool_);
}

AVFrame* PicturePreparer::NewPicture() {
    AVFrame* f = pool_ != nullptr ? av_frame_alloc() : nullptr;
    if (f == nullptr) return nullptr;
    f->format = format_;
    f->width = width_;
    f->height = height_;
    f->buf[0] = av_buffer_pool_get(pool_);
    if (f->buf[0] == nullptr ||
        av_image_fill_pointers(f->data, format_, height_, f->buf[0]->data, linesize_) < 0) {
        av_frame_free(&f);
        return nullptr;
    }
    std::copy(linesize_, linesize_ + 4, f->linesize);
    f->extended_data = f->data;
    return f;
}

// Another shape than before: keep its proportions; the rest of the file's picture is black.
void PicturePreparer::Fit(const AVFrame* in) {
    const AVRational sar = in->sample_aspect_ratio.num > 0 ? in->sample_aspect_ratio : AVRational{1, 1};
    if (in->width == inWidth_ && in->height == inHeight_ && in->format == inFormat_ && av_cmp_q(sar, inSar_) == 0)
        return;
    inWidth_ = in->width;
    inHeight_ = in->height;
    inFormat_ = in->format;
    inSar_ = sar;
    const double aspect = in->width * av_q2d(sar) / std::max(in->height, 1);
    const int W = width_, H = height_;
    int w = W, h = static_cast<int>(std::lround(W / aspect));
    if (h > H) {
        h = H;
        w = static_cast<int>(std::lround(H * aspect));
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format_);
    fitW_ = std::clamp(w, 1, W);
    fitH_ = std::clamp(h, 1, H);
    fitX_ = (W - fitW_) / 2 >> desc->log2_chroma_w << desc->log2_chroma_w;
    fitY_ = (H - fitH_) / 2 >> desc->log2_chroma_h << desc->log2_chroma_h;
}

AVFrame* PicturePreparer::Prepare(const AVFrame* in, std::string& why) {
    AVFrame* out = NewPicture();
    if (out == nullptr) {
        why = "out of memory";
        return nullptr;
    }
    Fit(in);
    if (fitW_ == width_ && fitH_ == height_) {
        why = converter_.Convert(in, out);
    } else {
        // Bars: a pooled buffer holds an older picture, so it is blackened each time, and the
        // picture is converted into a view of its place inside it.
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format_);
        const ptrdiff_t lines[4] = {out->linesize[0], out->linesize[1], out->linesize[2], out->linesize[3]};
        av_image_fill_black(out->data, lines, format_, IsFullRangeYuv(format_) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG,
                            width_, height_);
        int steps[4] = {};
        av_image_fill_max_pixsteps(steps, nullptr, desc);
        AVFrame* view = av_frame_alloc();
        if (view == nullptr) {
            av_frame_free(&out);
            why = "out of memory";
            return nullptr;
        }
        view->format = format_;
        view->width = fitW_;
        view->height = fitH_;
        for (int i = 0; i < 4 && out->data[i] != nullptr; ++i) {
            const int sx = (i == 1 || i == 2) ? desc->log2_chroma_w : 0;
            const int sy = (i == 1 || i == 2) ? desc->log2_chroma_h : 0;
            view->data[i] = out->data[i] + (fitY_ >> sy) * out->linesize[i] + (fitX_ >> sx) * steps[i];
            view->linesize[i] = out->linesize[i];
        }
        why = converter_.Convert(in, view);
        av_frame_free(&view);
    }
    if (!why.empty()) {
        av_frame_free(&out);
        return nullptr;
    }
    out->pts = in->pts;
    return out;
}

}  // namespace pelta::engine::record
