// Motion JPEG through libjpeg-turbo's worker pool: what libavcodec decodes is the picture
// given (to a stated PSNR, for every chroma layout the pool takes), no worse and no larger
// than FFmpeg's own encoder at the same quantiser, in the order the pictures were given.
#include "DecodeFile.h"
#include "Frames.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/JpegEncoderPool.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstring>
#include <vector>

using namespace pelta::engine;
using namespace pelta::engine::record;
using pelta::test::FramePtr;

namespace {

// What libjpeg must at least keep of these pictures at quantiser 5, in dB.
constexpr double kLumaPsnr = 34.0, kChromaPsnr = 34.0;

// A full-range planar picture: ramps, edges and noise, shifted by `t` pixels (every sample
// changes from one picture to the next). Odd sizes exercise the partial blocks at the edges.
FramePtr Texture(AVPixelFormat fmt, int w, int h, int t) {
    FramePtr f = pelta::test::BlankPicture(fmt, w, h);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
    for (int p = 0; p < 3; ++p) {
        const int pw = p ? AV_CEIL_RSHIFT(w, d->log2_chroma_w) : w, ph = p ? AV_CEIL_RSHIFT(h, d->log2_chroma_h) : h;
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x) {
                const int u = x + 5 * t + 13 * p, v = y + 3 * t;
                const int edge = ((u / 11 + v / 9) & 1) ? 25 : -25;
                f->data[p][y * f->linesize[p] + x] = uint8_t(
                    std::clamp(int(128 + 50 * std::sin(u * 0.05) + 30 * std::cos(v * 0.04) + edge + (u * 31 + v * 17) % 7), 0, 255));
            }
    }
    f->pts = t;
    return f;
}

double Psnr(const AVFrame* a, const AVFrame* b, int plane) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(a->format));
    const int w = plane ? AV_CEIL_RSHIFT(a->width, d->log2_chroma_w) : a->width;
    const int h = plane ? AV_CEIL_RSHIFT(a->height, d->log2_chroma_h) : a->height;
    double se = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int e = a->data[plane][y * a->linesize[plane] + x] - b->data[plane][y * b->linesize[plane] + x];
            se += e * e;
        }
    return 10 * std::log10(255.0 * 255.0 * w * h / std::max(se, 1e-9));
}

FramePtr Decode(const AVPacket* packet) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    FramePtr f(av_frame_alloc());
    const bool ok = avcodec_open2(c, codec, nullptr) == 0 && avcodec_send_packet(c, packet) == 0 &&
                    avcodec_receive_frame(c, f.get()) == 0;
    avcodec_free_context(&c);
    return ok ? std::move(f) : nullptr;
}

// FFmpeg's Motion JPEG encoder on the same picture and quantiser, decoded again; `bytes`
// gets the size of its picture.
FramePtr ThroughFfmpeg(const AVFrame* picture, int quantiser, int& bytes) {
    const AVCodec* codec = avcodec_find_encoder_by_name("mjpeg");
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = picture->width;
    c->height = picture->height;
    c->pix_fmt = static_cast<AVPixelFormat>(picture->format);
    c->time_base = AVRational{1, 30};
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * quantiser;
    c->thread_count = 1;  // with frame threads the packet may come only after more pictures
    FramePtr in(av_frame_clone(picture));
    in->quality = c->global_quality;
    AVPacket* p = av_packet_alloc();
    FramePtr out;
    if (avcodec_open2(c, codec, nullptr) == 0 && avcodec_send_frame(c, in.get()) == 0 && avcodec_receive_packet(c, p) == 0) {
        out = Decode(p);
        bytes = p->size;
    }
    av_packet_free(&p);
    avcodec_free_context(&c);
    return out;
}

}  // namespace

TEST(JpegEncoderPool, EveryChromaLayoutDecodesInLibavcodecAsWellAsFfmpegsOwnEncoder) {
    if (!JpegPoolAvailable()) GTEST_SKIP() << "built without libjpeg-turbo";
    for (AVPixelFormat fmt : {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P}) {
        SCOPED_TRACE(av_get_pix_fmt_name(fmt));
        ASSERT_TRUE(JpegPoolTakes(fmt));
        const int w = 322, h = 182;  // neither a whole number of blocks
        JpegEncoderPool pool(fmt, w, h, 5, 2);
        ASSERT_EQ(pool.StartError(), "");
        std::vector<FramePtr> sources;
        for (int t = 0; t < 6; ++t) {
            sources.push_back(Texture(fmt, w, h, t));
            ASSERT_TRUE(pool.Submit(sources.back().get(), 10 + t));
        }
        for (int t = 0; t < 6; ++t) {
            JpegEncoderPool::Packet p;
            ASSERT_TRUE(pool.Take(p, true));
            ASSERT_EQ(p.Error, "");
            EXPECT_EQ(p.Slot, 10 + t);  // in the order given, whichever worker finished first
            FramePtr back = Decode(p.Data);
            av_packet_free(&p.Data);
            ASSERT_TRUE(back);
            ASSERT_EQ(back->format, fmt);
            ASSERT_EQ(back->width, w);
            ASSERT_EQ(back->height, h);
            const AVFrame* src = sources[size_t(t)].get();
            const double luma = Psnr(src, back.get(), 0), chroma = std::min(Psnr(src, back.get(), 1), Psnr(src, back.get(), 2));
            EXPECT_GE(luma, kLumaPsnr);
            EXPECT_GE(chroma, kChromaPsnr);
            int bytes = 0;
            FramePtr theirs = ThroughFfmpeg(src, 5, bytes);
            ASSERT_TRUE(theirs);
            EXPECT_GE(luma, Psnr(src, theirs.get(), 0) - 0.2);
        }
        JpegEncoderPool::Packet none;
        EXPECT_FALSE(pool.Take(none, true));
    }
}

// At a screen's size, where the Huffman tables are fitted to enough of a picture, the
// pictures are no larger than FFmpeg's at the same quantiser, for about the same PSNR.
TEST(JpegEncoderPool, AScreenSizedPictureIsNoLargerThanFfmpegsForTheSameFidelity) {
    if (!JpegPoolAvailable()) GTEST_SKIP() << "built without libjpeg-turbo";
    const int w = 1280, h = 720;
    JpegEncoderPool pool(AV_PIX_FMT_YUVJ420P, w, h, 5, 1);
    ASSERT_EQ(pool.StartError(), "");
    int ourBytes = 0, theirBytes = 0;
    double ourPsnr = 0, theirPsnr = 0;
    for (int t = 0; t < 4; ++t) {
        FramePtr src = Texture(AV_PIX_FMT_YUVJ420P, w, h, t);
        ASSERT_TRUE(pool.Submit(src.get(), t));
        JpegEncoderPool::Packet p;
        ASSERT_TRUE(pool.Take(p, true));
        ASSERT_EQ(p.Error, "");
        FramePtr back = Decode(p.Data);
        ourBytes += p.Data->size;
        av_packet_free(&p.Data);
        int bytes = 0;
        FramePtr theirs = ThroughFfmpeg(src.get(), 5, bytes);
        ASSERT_TRUE(back && theirs);
        theirBytes += bytes;
        ourPsnr += Psnr(src.get(), back.get(), 0) / 4;
        theirPsnr += Psnr(src.get(), theirs.get(), 0) / 4;
    }
    EXPECT_LE(ourBytes, theirBytes) << "PSNR " << ourPsnr << " dB against " << theirPsnr;
    EXPECT_GE(ourPsnr, theirPsnr - 0.2);
}

// A width that is no whole number of blocks: what lies in the rows' padding past the
// picture (whatever the buffer held) never reaches the visible edge.
TEST(JpegEncoderPool, ThePaddingPastAnOddWidthNeverShows) {
    if (!JpegPoolAvailable()) GTEST_SKIP() << "built without libjpeg-turbo";
    for (AVPixelFormat fmt : {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ444P}) {
        SCOPED_TRACE(av_get_pix_fmt_name(fmt));
        const int w = 83, h = 37;
        JpegEncoderPool pool(fmt, w, h, 5, 1);
        std::vector<FramePtr> decoded;
        for (const uint8_t fill : {uint8_t(0), uint8_t(255)}) {
            FramePtr pic = Texture(fmt, w, h, 1);
            const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
            for (int p = 0; p < 3; ++p) {
                const int pw = p ? AV_CEIL_RSHIFT(w, d->log2_chroma_w) : w;
                const int ph = p ? AV_CEIL_RSHIFT(h, d->log2_chroma_h) : h;
                for (int y = 0; y < ph; ++y)
                    std::memset(pic->data[p] + y * pic->linesize[p] + pw, fill, size_t(pic->linesize[p] - pw));
            }
            ASSERT_TRUE(pool.Submit(pic.get(), 0));
            JpegEncoderPool::Packet out;
            ASSERT_TRUE(pool.Take(out, true));
            ASSERT_EQ(out.Error, "");
            decoded.push_back(Decode(out.Data));
            av_packet_free(&out.Data);
            ASSERT_TRUE(decoded.back());
        }
        // Identical decodings: one sample off by one would read about 80 dB.
        for (int p = 0; p < 3; ++p) EXPECT_GT(Psnr(decoded[0].get(), decoded[1].get(), p), 120.0) << "plane " << p;
    }
}

// The writer's Motion JPEG file: every picture in its slot, in order, each within the
// stated PSNR of the picture given (a picture out of place is far below it: all move).
TEST(JpegEncoderPool, WritersMotionJpegFileHoldsEveryPictureInOrder) {
    if (!JpegPoolAvailable()) GTEST_SKIP() << "built without libjpeg-turbo";
    QTemporaryDir dir;
    const std::string path = dir.filePath("pool.avi").toStdString();
    WriterSetup s;
    s.Path = path;
    s.Video = true;
    s.VideoIn = VideoFormat{320, 180, AV_PIX_FMT_YUVJ420P, AVRational{30, 1}, AVRational{1, 30}};
    s.VideoEncoder = "mjpeg";
    std::vector<FramePtr> sources;
    {
        CaptureWriter w;
        CaptureErrorCode code{};
        ASSERT_EQ(w.Open(s, code), "");
        ASSERT_EQ(w.PixelFormat(), AV_PIX_FMT_YUVJ420P);
        for (int t = 0; t < 20; ++t) {
            sources.push_back(Texture(AV_PIX_FMT_YUVJ420P, 320, 180, t));
            ASSERT_TRUE(w.WritePicture(sources.back().get(), t == 19 ? 25 : t));  // slots 19-24 left empty
        }
        ASSERT_TRUE(w.Finish());
        EXPECT_EQ(w.PicturesWritten(), 20);
    }
    size_t n = 0;
    ASSERT_TRUE(pelta::test::ForEachDecoded(path, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* f) {
        if (n < sources.size()) {
            EXPECT_GE(Psnr(sources[n].get(), f, 0), kLumaPsnr) << "picture " << n;
        }
        ++n;
    }));
    EXPECT_EQ(n, sources.size());
}
