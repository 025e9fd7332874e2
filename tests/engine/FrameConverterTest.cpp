// The picture converter against BT.601 worked out in floating point, for every format an
// encoder is fed, and the colour description read back from written files.
#include "Frames.h"
#include "RecordProbe.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/Compressors.h"
#include "engine/core/record/EncoderSettings.h"
#include "engine/core/record/FrameConverter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

using namespace pelta::engine;
using namespace pelta::engine::record;

namespace {

using pelta::test::FramePtr;
const auto Blank = pelta::test::BlankPicture;

struct Rgb {
    int r, g, b;
};

// A picture that reaches every corner of the colour cube: the primaries, black and white
// in blocks, smooth ramps, and texture that differs from pixel to pixel.
Rgb Known(int x, int y) {
    static const Rgb kPatches[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255},
                                   {0, 0, 0},   {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    if (y < 8) return kPatches[(x / 4) % 8];
    if (y % 3 == 0) return {(x * 5) & 255, (y * 3) & 255, (x + y) & 255};
    return {(x * 37 + y * 11) % 256, (x * x + 3 * y) % 256, (x ^ (y * 7)) & 255};
}

FramePtr KnownPicture(AVPixelFormat fmt, int w, int h) {
    FramePtr f = Blank(fmt, w, h);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = Known(x, y);
            uint8_t* p = f->data[0] + y * f->linesize[0] + 4 * x;
            p[d->comp[0].offset] = uint8_t(c.r);
            p[d->comp[1].offset] = uint8_t(c.g);
            p[d->comp[2].offset] = uint8_t(c.b);
            p[6 - d->comp[0].offset - d->comp[1].offset - d->comp[2].offset] = 0x5a;  // the unused byte: junk
        }
    }
    return f;
}

// BT.601 in doubles: what a sample of the converted picture should be.
struct Reference {
    bool full;
    double Y(const Rgb& c) const { return full ? Y601(c) : 16 + Y601(c) * 219 / 255; }
    double Cb(const Rgb& c) const { return Chroma((c.b - Y601(c)) / 1.772); }
    double Cr(const Rgb& c) const { return Chroma((c.r - Y601(c)) / 1.402); }
    double Chroma(double d) const { return 128 + (full ? d : d * 224 / 255); }
    static double Y601(const Rgb& c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }
};

int Round(double v) { return std::clamp(int(std::lround(v)), 0, 255); }

// Largest difference of a planar YUV picture from the reference; chroma is the mean of the
// chroma of the pixels of its block (edge pixels standing in for those past the edge).
int WorstYuvError(const AVFrame* out, bool full) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(out->format));
    const int sx = 1 << d->log2_chroma_w, sy = 1 << d->log2_chroma_h;
    const Reference ref{full};
    int worst = 0;
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x)
            worst = std::max(worst, std::abs(out->data[0][y * out->linesize[0] + x] - Round(ref.Y(Known(x, y)))));
    for (int cy = 0; cy < AV_CEIL_RSHIFT(out->height, d->log2_chroma_h); ++cy) {
        for (int cx = 0; cx < AV_CEIL_RSHIFT(out->width, d->log2_chroma_w); ++cx) {
            double cb = 0, cr = 0;
            for (int j = 0; j < sy; ++j)
                for (int i = 0; i < sx; ++i) {
                    const Rgb c = Known(std::min(cx * sx + i, out->width - 1), std::min(cy * sy + j, out->height - 1));
                    cb += ref.Cb(c) / (sx * sy);
                    cr += ref.Cr(c) / (sx * sy);
                }
            worst = std::max(worst, std::abs(out->data[1][cy * out->linesize[1] + cx] - Round(cb)));
            worst = std::max(worst, std::abs(out->data[2][cy * out->linesize[2] + cx] - Round(cr)));
        }
    }
    return worst;
}

// Largest difference of the colour bytes of a packed RGB picture from the known one.
int WorstRgbError(const AVFrame* out) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(out->format));
    const int step = d->comp[0].step;
    int worst = 0;
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x) {
            const uint8_t* p = out->data[0] + y * out->linesize[0] + step * x;
            const Rgb c = Known(x, y);
            worst = std::max({worst, std::abs(p[d->comp[0].offset] - c.r), std::abs(p[d->comp[1].offset] - c.g),
                              std::abs(p[d->comp[2].offset] - c.b)});
        }
    return worst;
}

bool IsRgb(AVPixelFormat f) { return av_pix_fmt_desc_get(f)->flags & AV_PIX_FMT_FLAG_RGB; }

int WorstError(const AVFrame* out) {
    const auto fmt = static_cast<AVPixelFormat>(out->format);
    return IsRgb(fmt) ? WorstRgbError(out) : WorstYuvError(out, IsFullRangeYuv(fmt));
}

}  // namespace

// Sizes: a whole screen (both threads, the vector code), an odd size (the last column and
// row pair with themselves, the scalar tail), and a strip narrower than one vector step.
TEST(FrameConverterTest, ScreenPicturesMatchBt601WithinOneForEveryPlanarFormat) {
    struct Case {
        AVPixelFormat in, out;
        int w, h;
    };
    const Case cases[] = {
        {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV420P, 1920, 1080},  {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUVJ420P, 1920, 1080},
        {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV422P, 1280, 720},   {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUVJ422P, 1280, 720},
        {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV420P, 37, 23},      {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUVJ422P, 37, 23},
        {AV_PIX_FMT_BGRA, AV_PIX_FMT_YUVJ420P, 15, 5},      {AV_PIX_FMT_RGB0, AV_PIX_FMT_YUV420P, 101, 67},
        {AV_PIX_FMT_RGBA, AV_PIX_FMT_YUVJ420P, 640, 480},
        // 32 + 16 + 3 columns: every vector width the CPU offers, then single pixels.
        {AV_PIX_FMT_RGB0, AV_PIX_FMT_YUV422P, 51, 7},       {AV_PIX_FMT_BGR0, AV_PIX_FMT_YUVJ420P, 51, 9},
    };
    for (int threads : {1, 2}) {
        FrameConverter conv(threads);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(av_get_pix_fmt_name(c.in)) + " -> " + av_get_pix_fmt_name(c.out) + " " +
                         std::to_string(c.w) + "x" + std::to_string(c.h) + ", threads " + std::to_string(threads));
            FramePtr in = KnownPicture(c.in, c.w, c.h);
            FramePtr out = Blank(c.out, c.w, c.h);
            ASSERT_EQ(conv.Convert(in.get(), out.get()), "");
            EXPECT_TRUE(conv.UsedDirectPath());
            EXPECT_LE(WorstError(out.get()), 1);
        }
    }
}

// What the writer feeds each compressor the program offers, converted from a screen picture.
TEST(FrameConverterTest, EveryCompressorsInputFormatMatchesTheReference) {
    FrameConverter conv;
    for (const CompressorInfo& info : AvailableVideoCompressors()) {
        const AVCodec* codec = avcodec_find_encoder_by_name(info.EncoderName.c_str());
        const AVPixelFormat fmt = EncoderPixelFormat(codec, AV_PIX_FMT_BGR0);
        SCOPED_TRACE(info.EncoderName + " takes " + av_get_pix_fmt_name(fmt));
        FramePtr in = KnownPicture(AV_PIX_FMT_BGR0, 200, 50);
        FramePtr out = Blank(fmt, 200, 50);
        ASSERT_EQ(conv.Convert(in.get(), out.get()), "");
        EXPECT_LE(WorstError(out.get()), 1);
    }
}

// Sources that are not screens (cameras) and pictures of another size go through swscale,
// which must keep the range and the matrix right.
TEST(FrameConverterTest, OtherSourcesAndSizeChangesKeepRangeAndMatrix) {
    FrameConverter conv;
    // A smooth picture so that scaling hardly changes it.
    auto smooth = [](int x, int y, int w, int h) { return Rgb{255 * x / w, 255 * y / h, 128}; };
    FramePtr big = Blank(AV_PIX_FMT_BGR0, 320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const Rgb c = smooth(x, y, 320, 240);
            uint8_t* p = big->data[0] + y * big->linesize[0] + 4 * x;
            p[0] = uint8_t(c.b), p[1] = uint8_t(c.g), p[2] = uint8_t(c.r), p[3] = 0;
        }
    for (AVPixelFormat fmt : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P}) {
        SCOPED_TRACE(av_get_pix_fmt_name(fmt));
        FramePtr out = Blank(fmt, 160, 120);
        ASSERT_EQ(conv.Convert(big.get(), out.get()), "");
        EXPECT_FALSE(conv.UsedDirectPath());
        const Reference ref{IsFullRangeYuv(fmt)};
        int worst = 0;
        for (int y = 1; y < 119; ++y)
            for (int x = 1; x < 159; ++x) {
                const Rgb c = smooth(2 * x, 2 * y, 320, 240);
                worst = std::max(worst, std::abs(out->data[0][y * out->linesize[0] + x] - Round(ref.Y(c))));
            }
        EXPECT_LE(worst, 3);  // the half-pixel shift of the sampling grid on a ramp
        EXPECT_NEAR(out->data[1][30 * out->linesize[1] + 40], Round(ref.Cb(smooth(160, 120, 320, 240))), 3);
    }

    // A camera's limited-range 4:2:2 into the full range Motion JPEG takes.
    FramePtr cam = Blank(AV_PIX_FMT_YUYV422, 64, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; x += 2) {
            uint8_t* p = cam->data[0] + y * cam->linesize[0] + 2 * x;
            p[0] = 16, p[1] = 128, p[2] = 235, p[3] = 240;  // black, white; no blue, full red
        }
    FramePtr out = Blank(AV_PIX_FMT_YUVJ420P, 64, 32);
    ASSERT_EQ(conv.Convert(cam.get(), out.get()), "");
    EXPECT_NEAR(out->data[0][5 * out->linesize[0] + 10], 0, 1);
    EXPECT_NEAR(out->data[0][5 * out->linesize[0] + 11], 255, 1);
    EXPECT_NEAR(out->data[1][5 * out->linesize[1] + 5], 128, 1);
    EXPECT_NEAR(out->data[2][5 * out->linesize[2] + 5], 255, 1);  // 128 + 112 * 255 / 224 = 255.5
}

namespace {

// Writes one flat grey picture per entry of `greys` with `encoder` and reads the file back:
// the stream's colour description and each decoded picture's middle luma sample.
struct ReadBack {
    pelta::test::Probe probe;
    std::vector<int> luma;
};

ReadBack WriteGreys(const std::string& encoder, const std::vector<int>& greys) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("greys.avi").toStdString();
    {
        WriterSetup s;
        s.Path = path;
        s.Video = true;
        s.VideoIn = VideoFormat{64, 48, AV_PIX_FMT_BGR0, AVRational{30, 1}, AVRational{1, 30}};
        s.VideoEncoder = encoder;
        CaptureWriter w;
        CaptureErrorCode code{};
        EXPECT_EQ(w.Open(s, code), "");
        for (size_t i = 0; i < greys.size(); ++i) {
            FramePtr grey = Blank(AV_PIX_FMT_BGR0, 64, 48);
            std::fill_n(grey->data[0], grey->linesize[0] * 48, uint8_t(greys[i]));
            EXPECT_TRUE(w.WriteVideo(grey.get(), int64_t(i)));
        }
        EXPECT_TRUE(w.Finish());
    }
    ReadBack rb{pelta::test::ProbeFile(path), {}};
    EXPECT_EQ(rb.probe.streams, 1);
    pelta::test::ForEachDecoded(path, AVMEDIA_TYPE_VIDEO,
                                [&](const AVFrame* pic) { rb.luma.push_back(pic->data[0][24 * pic->linesize[0] + 32]); });
    return rb;
}

}  // namespace

// The range said in the file is the one the samples are in: white is 255 in Motion JPEG
// (full range, as its decoders assume) and 235 in H.264 (limited, tagged in the stream).
// Each picture is its own: Motion JPEG encodes several at once on its threads, and the
// next picture is converted while earlier ones are still being encoded.
TEST(FrameConverterTest, FilesStateTheRangeAndMatrixTheirSamplesUse) {
    const std::vector<int> greys = {255, 0, 128, 255, 64, 192, 32, 255};
    for (const auto& [encoder, full] : {std::pair{"mjpeg", true}, std::pair{"libx264", false}}) {
        SCOPED_TRACE(encoder);
        const ReadBack rb = WriteGreys(encoder, greys);
        EXPECT_EQ(rb.probe.colorRange, full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG);
        EXPECT_TRUE(full || rb.probe.colorSpace == AVCOL_SPC_SMPTE170M) << rb.probe.colorSpace;
        ASSERT_EQ(rb.luma.size(), greys.size());
        for (size_t i = 0; i < greys.size(); ++i)
            EXPECT_NEAR(rb.luma[i], full ? greys[i] : Round(16 + greys[i] * 219.0 / 255), 2) << "picture " << i;
    }
}
