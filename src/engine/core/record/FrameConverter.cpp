#include "engine/core/record/FrameConverter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PELTA_HAVE_AVX2_PATH 1
#endif

namespace pelta::engine::record {

namespace {

// Fixed point: luma coefficients carry 15 fraction bits; chroma ones work on the sum of
// the four samples of a block, hence two more bits of shift.
constexpr int kShift = 15;
constexpr int kChromaShift = kShift + 2;

struct Coefficients {
    int16_t yb, yg, yr;  // in the order the bytes lie in BGR0
    int16_t ub, ug, ur;
    int16_t vb, vg, vr;
    int32_t yOffset, cOffset;  // the black level / chroma zero, plus rounding
};

Coefficients Bt601(bool fullRange) {
    constexpr double kr = 0.299, kb = 0.114;
    const double ys = fullRange ? 1.0 : 219.0 / 255.0;
    const double cs = fullRange ? 1.0 : 224.0 / 255.0;
    auto q = [](double v) { return static_cast<int16_t>(std::lround(v * (1 << kShift))); };
    Coefficients c{};
    c.yr = q(kr * ys);
    c.yb = q(kb * ys);
    // White must land exactly on the top level: the three add up to the scale itself.
    c.yg = static_cast<int16_t>(std::lround(ys * (1 << kShift)) - c.yr - c.yb);
    c.ub = q(0.5 * cs);
    c.ur = q(-0.5 * kr / (1 - kb) * cs);
    c.ug = static_cast<int16_t>(-c.ub - c.ur);  // grey has no colour
    c.vr = q(0.5 * cs);
    c.vb = q(-0.5 * kb / (1 - kr) * cs);
    c.vg = static_cast<int16_t>(-c.vr - c.vb);
    c.yOffset = ((fullRange ? 0 : 16) << kShift) + (1 << (kShift - 1));
    c.cOffset = (128 << kChromaShift) + (1 << (kChromaShift - 1));
    return c;
}

uint8_t Clip(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

struct Layout {
    int b, g, r;  // byte offsets within a 4-byte pixel
};

std::optional<Layout> PackedRgbLayout(AVPixelFormat f) {
    switch (f) {
    case AV_PIX_FMT_BGR0:
    case AV_PIX_FMT_BGRA: return Layout{0, 1, 2};
    case AV_PIX_FMT_RGB0:
    case AV_PIX_FMT_RGBA: return Layout{2, 1, 0};
    default: return std::nullopt;
    }
}

// Chroma subsampling of the formats the own converter writes: rows per chroma row, or 0.
int ChromaRows(AVPixelFormat f) {
    switch (f) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P: return 2;
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P: return 1;
    default: return 0;
    }
}

// The plain YUV format for a yuvj one (swscale wants the range said separately).
AVPixelFormat PlainFormat(AVPixelFormat f) {
    switch (f) {
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: return AV_PIX_FMT_YUV411P;
    default: return f;
    }
}

bool IsYuv(AVPixelFormat f) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    return d != nullptr && !(d->flags & AV_PIX_FMT_FLAG_RGB) && d->nb_components >= 3;
}

// Scalar conversion of pixels [x0, x1) of one row pair; `s1` is the row below (the same
// row again at the bottom of an odd-height picture, and for 4:2:2). `y1` null: one row only.
void ConvertScalar(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v, int x0,
                   int x1, int width, const Layout& l, const Coefficients& c) {
    auto luma = [&](const uint8_t* p) { return (c.yb * p[l.b] + c.yg * p[l.g] + c.yr * p[l.r] + c.yOffset) >> kShift; };
    for (int x = x0; x < x1; ++x) {
        y0[x] = Clip(luma(s0 + 4 * x));
        if (y1 != nullptr) y1[x] = Clip(luma(s1 + 4 * x));
    }
    for (int x = x0; x < x1; x += 2) {
        const int xr = std::min(x + 1, width - 1);  // the last column of an odd width pairs with itself
        const uint8_t* p[4] = {s0 + 4 * x, s0 + 4 * xr, s1 + 4 * x, s1 + 4 * xr};
        int sb = 0, sg = 0, sr = 0;
        for (const uint8_t* q : p) {
            sb += q[l.b];
            sg += q[l.g];
            sr += q[l.r];
        }
        u[x / 2] = Clip((c.ub * sb + c.ug * sg + c.ur * sr + c.cOffset) >> kChromaShift);
        v[x / 2] = Clip((c.vb * sb + c.vg * sg + c.vr * sr + c.cOffset) >> kChromaShift);
    }
}

#if defined(__SSE2__)
// Adds neighbouring 32-bit lanes: [a0+a1, a2+a3, b0+b1, b2+b3].
inline __m128i PairSums(__m128i a, __m128i b) {
    const __m128 fa = _mm_castsi128_ps(a), fb = _mm_castsi128_ps(b);
    const __m128i even = _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1)));
    return _mm_add_epi32(even, odd);
}

// The weights for one 4-byte pixel as two 16-bit lanes pairs: [w(byte0), w(byte1), w(byte2), w(byte3)] x2.
inline __m128i Weights(const Layout& l, int16_t b, int16_t g, int16_t r) {
    int16_t w[4] = {0, 0, 0, 0};
    w[l.b] = b;
    w[l.g] = g;
    w[l.r] = r;
    return _mm_setr_epi16(w[0], w[1], w[2], w[3], w[0], w[1], w[2], w[3]);
}

// Luma of four pixels (16 bytes) as 32-bit lanes, before the shift.
inline __m128i Luma4(__m128i px, __m128i wy, __m128i zero) {
    return PairSums(_mm_madd_epi16(_mm_unpacklo_epi8(px, zero), wy), _mm_madd_epi16(_mm_unpackhi_epi8(px, zero), wy));
}

// 16 pixels of a row pair at a time; returns the first pixel left for the scalar code.
int ConvertSse2(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v, int width,
                const Layout& l, const Coefficients& c) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wy = Weights(l, c.yb, c.yg, c.yr);
    const __m128i wu = Weights(l, c.ub, c.ug, c.ur);
    const __m128i wv = Weights(l, c.vb, c.vg, c.vr);
    const __m128i yOff = _mm_set1_epi32(c.yOffset);
    const __m128i cOff = _mm_set1_epi32(c.cOffset);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i a[4], b[4];
        for (int i = 0; i < 4; ++i) {
            a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + 4 * x + 16 * i));
            b[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + 4 * x + 16 * i));
        }
        auto storeLuma = [&](const __m128i* p, uint8_t* out) {
            __m128i l4[4];
            for (int i = 0; i < 4; ++i) l4[i] = _mm_srai_epi32(_mm_add_epi32(Luma4(p[i], wy, zero), yOff), kShift);
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(l4[0], l4[1]), _mm_packs_epi32(l4[2], l4[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), packed);
        };
        storeLuma(a, y0);
        if (y1 != nullptr) storeLuma(b, y1);
        // Block sums: the two rows added, then the two pixels of each pair.
        __m128i sums[4];  // each: two blocks as 16-bit [B G R X | B G R X]
        for (int i = 0; i < 2; ++i) {
            for (int h = 0; h < 2; ++h) {
                const __m128i pa = h == 0 ? _mm_unpacklo_epi8(a[2 * i], zero) : _mm_unpacklo_epi8(a[2 * i + 1], zero);
                const __m128i pb = h == 0 ? _mm_unpackhi_epi8(a[2 * i], zero) : _mm_unpackhi_epi8(a[2 * i + 1], zero);
                const __m128i qa = h == 0 ? _mm_unpacklo_epi8(b[2 * i], zero) : _mm_unpacklo_epi8(b[2 * i + 1], zero);
                const __m128i qb = h == 0 ? _mm_unpackhi_epi8(b[2 * i], zero) : _mm_unpackhi_epi8(b[2 * i + 1], zero);
                const __m128i lo = _mm_add_epi16(pa, qa);  // pixels 0,1 of the four
                const __m128i hi = _mm_add_epi16(pb, qb);  // pixels 2,3
                sums[2 * i + h] = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
            }
        }
        auto chroma = [&](__m128i w, uint8_t* out) {
            const __m128i c0 = PairSums(_mm_madd_epi16(sums[0], w), _mm_madd_epi16(sums[1], w));
            const __m128i c1 = PairSums(_mm_madd_epi16(sums[2], w), _mm_madd_epi16(sums[3], w));
            const __m128i s0v = _mm_srai_epi32(_mm_add_epi32(c0, cOff), kChromaShift);
            const __m128i s1v = _mm_srai_epi32(_mm_add_epi32(c1, cOff), kChromaShift);
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(s0v, s1v), zero);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x / 2), packed);
        };
        chroma(wu, u);
        chroma(wv, v);
    }
    return x;
}
#endif

#if defined(PELTA_HAVE_AVX2_PATH)
// 32 pixels of a row pair at a time. Each 32-bit pixel is split into its even bytes and its
// odd bytes as 16-bit lanes, so one multiply-add per half weighs two channels at once and
// every result stays in its pixel's lane: no unpacking. AVX2 packs within 128-bit halves,
// so the packed results are put back in pixel order before they are stored. (Lambdas would
// not take the target attribute, hence the small functions.)
#define PELTA_AVX2 __attribute__((target("avx2")))

struct Avx2Weights {
    __m256i even, odd;  // for bytes 0 and 2, and for bytes 1 and 3 (the unused byte weighs 0)
};

PELTA_AVX2 inline Avx2Weights WeightsAvx2(const Layout& l, int16_t b, int16_t g, int16_t r) {
    int16_t w[4] = {0, 0, 0, 0};
    w[l.b] = b;
    w[l.g] = g;
    w[l.r] = r;
    return {_mm256_set1_epi32(int32_t(uint16_t(w[0])) | (int32_t(w[2]) << 16)),
            _mm256_set1_epi32(int32_t(uint16_t(w[1])) | (int32_t(w[3]) << 16))};
}

// The weighted sum per pixel (32-bit lanes, pixel order within each half).
PELTA_AVX2 inline __m256i Weigh(__m256i even, __m256i odd, const Avx2Weights& w) {
    return _mm256_add_epi32(_mm256_madd_epi16(even, w.even), _mm256_madd_epi16(odd, w.odd));
}

// Adds neighbouring 32-bit lanes within each half: [a0+a1, a2+a3, b0+b1, b2+b3].
PELTA_AVX2 inline __m256i PairSums(__m256i a, __m256i b) {
    const __m256 fa = _mm256_castsi256_ps(a), fb = _mm256_castsi256_ps(b);
    const __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1)));
    return _mm256_add_epi32(even, odd);
}

// 32 values of 32 bits, each half holding alternate groups of four, as bytes in pixel order.
PELTA_AVX2 inline void Store32(const __m256i* v, uint8_t* out) {
    const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(v[0], v[1]), _mm256_packs_epi32(v[2], v[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
}

// 16 chroma samples from the per-column sums of both rows, as 16-bit values whose pairs
// alternate between the halves.
PELTA_AVX2 inline __m256i Chroma16(const __m256i* column, __m256i offset) {
    const __m256i c0 = PairSums(column[0], column[1]);
    const __m256i c1 = PairSums(column[2], column[3]);
    return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(c0, offset), kChromaShift),
                              _mm256_srai_epi32(_mm256_add_epi32(c1, offset), kChromaShift));
}

// Returns the first pixel left for the narrower code.
PELTA_AVX2 int ConvertAvx2(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v,
                           int width, const Layout& l, const Coefficients& c) {
    const Avx2Weights wy = WeightsAvx2(l, c.yb, c.yg, c.yr);
    const Avx2Weights wu = WeightsAvx2(l, c.ub, c.ug, c.ur);
    const Avx2Weights wv = WeightsAvx2(l, c.vb, c.vg, c.vr);
    const __m256i lowBytes = _mm256_set1_epi16(0x00ff);
    const __m256i yOff = _mm256_set1_epi32(c.yOffset);
    const __m256i cOff = _mm256_set1_epi32(c.cOffset);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m256i top[4], bottom[4], us[4], vs[4];
        for (int i = 0; i < 4; ++i) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s0 + 4 * x + 32 * i));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s1 + 4 * x + 32 * i));
            const __m256i ae = _mm256_and_si256(a, lowBytes), ao = _mm256_srli_epi16(a, 8);
            const __m256i be = _mm256_and_si256(b, lowBytes), bo = _mm256_srli_epi16(b, 8);
            top[i] = _mm256_srai_epi32(_mm256_add_epi32(Weigh(ae, ao, wy), yOff), kShift);
            bottom[i] = _mm256_srai_epi32(_mm256_add_epi32(Weigh(be, bo, wy), yOff), kShift);
            const __m256i e = _mm256_add_epi16(ae, be), o = _mm256_add_epi16(ao, bo);  // the two rows added
            us[i] = Weigh(e, o, wu);
            vs[i] = Weigh(e, o, wv);
        }
        Store32(top, y0 + x);
        if (y1 != nullptr) Store32(bottom, y1 + x);
        // Per half: eight U then eight V bytes; interleaving the halves' pairs restores their order.
        const __m256i uv = _mm256_packus_epi16(Chroma16(us, cOff), Chroma16(vs, cOff));
        const __m128i low = _mm256_castsi256_si128(uv), high = _mm256_extracti128_si256(uv, 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(u + x / 2), _mm_unpacklo_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v + x / 2), _mm_unpackhi_epi16(low, high));
    }
    return x;
}

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

void ConvertRowPair(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v,
                    int width, const Layout& l, const Coefficients& c) {
    int x = 0;
#if defined(PELTA_HAVE_AVX2_PATH)
    if (CpuHasAvx2()) x = ConvertAvx2(s0, s1, y0, y1, u, v, width, l, c);
#endif
#if defined(__SSE2__)
    // x is a multiple of 32 here: the remaining pixels start a fresh chroma pair.
    x += ConvertSse2(s0 + 4 * x, s1 + 4 * x, y0 + x, y1 != nullptr ? y1 + x : nullptr, u + x / 2, v + x / 2,
                     width - x, l, c);
#endif
    ConvertScalar(s0, s1, y0, y1, u, v, x, width, width, l, c);
}

}  // namespace

bool IsFullRangeYuv(AVPixelFormat fmt) { return PlainFormat(fmt) != fmt; }

void TagEncoderColours(AVCodecContext* ctx) {
    if (!IsYuv(ctx->pix_fmt)) {
        return;
    }
    ctx->color_range = IsFullRangeYuv(ctx->pix_fmt) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    ctx->colorspace = AVCOL_SPC_SMPTE170M;  // BT.601
    ctx->color_primaries = AVCOL_PRI_BT709;  // screens are sRGB: BT.709 primaries
    ctx->color_trc = AVCOL_TRC_IEC61966_2_1;
    ctx->chroma_sample_location = AVCHROMA_LOC_CENTER;  // chroma is the mean of its block
}

bool FrameConverter::HasDirectPath(AVPixelFormat in, int inW, int inH, AVPixelFormat out, int outW, int outH) {
    return inW == outW && inH == outH && PackedRgbLayout(in).has_value() && ChromaRows(out) != 0;
}

FrameConverter::FrameConverter(int threads) : threads_(std::max(1, threads)) {}

FrameConverter::~FrameConverter() {
    if (helper_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        helper_.join();
    }
    sws_freeContext(sws_);
}

void FrameConverter::HelperLoop() {
    uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || jobSerial_ != seen; });
        if (quit_) {
            return;
        }
        seen = jobSerial_;
        const auto* job = job_;
        const int first = jobFirst_, count = jobCount_;
        lock.unlock();
        (*job)(first, count);
        lock.lock();
        jobFinished_ = seen;
        done_.notify_one();
    }
}

void FrameConverter::RunSlices(const std::function<void(int, int)>& rows, int rowCount) {
    // Small pictures are not worth waking a thread for.
    if (threads_ < 2 || rowCount < 32) {
        rows(0, rowCount);
        return;
    }
    if (!helper_.joinable()) {
        helper_ = std::thread([this] { HelperLoop(); });  // started by the first big picture
    }
    const int half = rowCount / 2;
    uint64_t serial = 0;
    {
        std::lock_guard lock(mutex_);
        job_ = &rows;
        jobFirst_ = 0;
        jobCount_ = half;
        serial = ++jobSerial_;
    }
    wake_.notify_one();
    rows(half, rowCount - half);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return jobFinished_ == serial; });
}

std::string FrameConverter::Convert(const AVFrame* in, AVFrame* out) {
    const auto inFmt = static_cast<AVPixelFormat>(in->format);
    const auto outFmt = static_cast<AVPixelFormat>(out->format);
    direct_ = HasDirectPath(inFmt, in->width, in->height, outFmt, out->width, out->height);
    if (direct_) {
        const Layout layout = *PackedRgbLayout(inFmt);
        const Coefficients c = Bt601(IsFullRangeYuv(outFmt));
        const int step = ChromaRows(outFmt);  // source rows per chroma row
        const int w = in->width, h = in->height;
        const int chromaRows = (h + step - 1) / step;
        RunSlices(
            [&](int first, int count) {
                for (int cy = first; cy < first + count; ++cy) {
                    const int y = cy * step;
                    const bool pair = step == 2 && y + 1 < h;
                    const uint8_t* s0 = in->data[0] + static_cast<ptrdiff_t>(y) * in->linesize[0];
                    // 4:2:2 and the last row of an odd height: the row pairs with itself.
                    const uint8_t* s1 = pair ? s0 + in->linesize[0] : s0;
                    uint8_t* y0 = out->data[0] + static_cast<ptrdiff_t>(y) * out->linesize[0];
                    uint8_t* y1 = pair ? y0 + out->linesize[0] : nullptr;
                    ConvertRowPair(s0, s1, y0, y1, out->data[1] + static_cast<ptrdiff_t>(cy) * out->linesize[1],
                                   out->data[2] + static_cast<ptrdiff_t>(cy) * out->linesize[2], w, layout, c);
                }
            },
            chromaRows);
        return {};
    }

    // Everything else: swscale, with a real filter only when the size changes. The ranges
    // are given before the context starts: swscale's own shortcuts between formats of one
    // size ignore a range set afterwards.
    const bool scaled = in->width != out->width || in->height != out->height;
    const bool inFull = IsFullRangeYuv(inFmt) || in->color_range == AVCOL_RANGE_JPEG || !IsYuv(inFmt);
    const bool outFull = IsFullRangeYuv(outFmt) || !IsYuv(outFmt);
    const SwsKey key{in->width, in->height, inFmt, out->width, out->height, outFmt, inFull, outFull};
    if (sws_ == nullptr || !(key == swsKey_)) {
        sws_freeContext(sws_);
        sws_ = sws_alloc_context();
        if (sws_ == nullptr) {
            return "out of memory";
        }
        av_opt_set_int(sws_, "srcw", in->width, 0);
        av_opt_set_int(sws_, "srch", in->height, 0);
        av_opt_set_int(sws_, "src_format", PlainFormat(inFmt), 0);
        av_opt_set_int(sws_, "src_range", inFull ? 1 : 0, 0);
        av_opt_set_int(sws_, "dstw", out->width, 0);
        av_opt_set_int(sws_, "dsth", out->height, 0);
        av_opt_set_int(sws_, "dst_format", PlainFormat(outFmt), 0);
        av_opt_set_int(sws_, "dst_range", outFull ? 1 : 0, 0);
        av_opt_set_int(sws_, "sws_flags", (scaled ? SWS_BICUBIC : SWS_BILINEAR) | SWS_ACCURATE_RND, 0);
        if (sws_init_context(sws_, nullptr, nullptr) < 0) {
            sws_freeContext(sws_);
            sws_ = nullptr;
            return "the picture format cannot be converted";
        }
        swsKey_ = key;
    }
    sws_scale(sws_, in->data, in->linesize, 0, in->height, out->data, out->linesize);
    return {};
}

}  // namespace pelta::engine::record
