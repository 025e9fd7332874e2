// Times one screen picture's conversion for the encoder: the writer's converter (one and two
// threads) next to swscale as the writer used it before (bicubic) and swscale's cheapest
// same-size settings, in the same run.
//
//   convert_bench [pictures] [WxH]
//
// Prints wall time and CPU time (all threads) per picture, best of three rounds each.
#include "engine/core/record/FrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

using pelta::engine::record::FrameConverter;

namespace {

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void Time(const char* name, int pictures, const std::function<void()>& convert) {
    double bestWall = 1e9, bestCpu = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto w0 = std::chrono::steady_clock::now();
        const double c0 = CpuNow();
        for (int i = 0; i < pictures; ++i) convert();
        bestCpu = std::min(bestCpu, (CpuNow() - c0) / pictures);
        bestWall = std::min(bestWall,
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count() / pictures);
    }
    std::printf("  %-34s wall %6.2f ms  CPU %6.2f ms\n", name, 1000 * bestWall, 1000 * bestCpu);
}

}  // namespace

int main(int argc, char** argv) {
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 60;
    int w = 1920, h = 1080;
    if (argc > 2) std::sscanf(argv[2], "%dx%d", &w, &h);
    av_log_set_level(AV_LOG_ERROR);
    AVFrame* in = av_frame_alloc();
    in->format = AV_PIX_FMT_BGR0;
    in->width = w;
    in->height = h;
    av_frame_get_buffer(in, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 4 * w; ++x) in->data[0][y * in->linesize[0] + x] = uint8_t((x * 7 + y * 13) ^ (x >> 5));
    std::printf("conversion of a %dx%d BGR0 picture, %d pictures a round\n", w, h, pictures);
    for (AVPixelFormat fmt : {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV420P}) {
        std::printf(" to %s\n", fmt == AV_PIX_FMT_YUVJ420P ? "yuvj420p (Motion JPEG)" : "yuv420p (x264)");
        AVFrame* out = av_frame_alloc();
        out->format = fmt;
        out->width = w;
        out->height = h;
        av_frame_get_buffer(out, 0);
        for (int flags : {SWS_BICUBIC, SWS_FAST_BILINEAR}) {
            SwsContext* sws = sws_getContext(w, h, AV_PIX_FMT_BGR0, w, h, fmt, flags, nullptr, nullptr, nullptr);
            Time(flags == SWS_BICUBIC ? "swscale bicubic (before)" : "swscale fast bilinear", pictures,
                 [&] { sws_scale(sws, in->data, in->linesize, 0, h, out->data, out->linesize); });
            sws_freeContext(sws);
        }
        for (int threads : {1, 2}) {
            FrameConverter conv(threads);
            Time(threads == 1 ? "FrameConverter, 1 thread" : "FrameConverter, 2 threads", pictures,
                 [&] { conv.Convert(in, out); });
        }
        av_frame_free(&out);
    }
    av_frame_free(&in);
    return 0;
}
