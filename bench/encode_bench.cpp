// Times the encoders the capture benchmark uses (Motion JPEG at quantiser 5 through FFmpeg
// and through the engine's libjpeg-turbo pool, x264 ultrafast at rate factor 23) on moving
// 1080p pictures with different thread settings, in one run.
//
//   encode_bench [pictures] [WxH]
//
// Prints wall time and CPU time (all threads) per picture, the size per picture, and the
// memory the encoder itself takes at its peak (each setting runs in a child process of its
// own). The fidelity of the files is compared by capture_bench.
#include "engine/core/record/JpegEncoderPool.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Textured 4:2:0 pictures, shifted a little each time (every sample changes).
std::vector<AVFrame*> Pictures(int n, int w, int h, AVPixelFormat fmt) {
    std::vector<AVFrame*> out;
    for (int i = 0; i < n; ++i) {
        AVFrame* f = av_frame_alloc();
        f->format = fmt;
        f->width = w;
        f->height = h;
        av_frame_get_buffer(f, 0);
        for (int p = 0; p < 3; ++p) {
            const int pw = p ? w / 2 : w, ph = p ? h / 2 : h;
            for (int y = 0; y < ph; ++y)
                for (int x = 0; x < pw; ++x) {
                    const int u = x + 7 * i, v = y + 3 * i;
                    const int edge = ((u / 24 + v / 24) & 1) ? 30 : -30;
                    f->data[p][y * f->linesize[p] + x] =
                        uint8_t(std::clamp(int(128 + 45 * std::sin(u * 0.031 + p) + 35 * std::cos(v * 0.023) + edge +
                                               ((u * 2654435761u) >> 28)),
                                           16, 235));
                }
        }
        out.push_back(f);
    }
    return out;
}

long ResidentKB() {
    long kb = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        long pages = 0, resident = 0;
        if (std::fscanf(f, "%ld %ld", &pages, &resident) == 2) kb = resident * (sysconf(_SC_PAGESIZE) / 1024);
        std::fclose(f);
    }
    return kb;
}

// The engine's Motion JPEG pool (libjpeg-turbo) with `workers` threads.
void EncodePool(const char* label, int workers, const std::vector<AVFrame*>& pics, int rounds) {
    using pelta::engine::record::JpegEncoderPool;
    JpegEncoderPool pool(static_cast<AVPixelFormat>(pics[0]->format), pics[0]->width, pics[0]->height, 5, workers);
    if (!pool.StartError().empty()) {
        std::printf("  %-40s %s", label, pool.StartError().c_str());
        return;
    }
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = CpuNow();
    int64_t n = 0, bytes = 0;
    JpegEncoderPool::Packet p;
    auto take = [&](bool wait) {
        while (pool.Take(p, wait)) {
            bytes += p.Data ? p.Data->size : 0;
            av_packet_free(&p.Data);
        }
    };
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < pics.size(); ++i) {
            pool.Submit(pics[i], int64_t(i));
            ++n;
            take(false);
        }
    take(true);
    const double cpu = (CpuNow() - c0) / double(n);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count() / double(n);
    std::printf("  %-40s wall %6.2f ms  CPU %6.2f ms  %6.1f KB/picture", label, 1000 * wall, 1000 * cpu,
                double(bytes) / double(n) / 1024);
    std::fflush(stdout);
}

void Encode(const char* label, const char* encoder, int threads, int threadType, const std::vector<AVFrame*>& pics,
            int rounds) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = pics[0]->width;
    c->height = pics[0]->height;
    c->pix_fmt = static_cast<AVPixelFormat>(pics[0]->format);
    c->time_base = AVRational{1, 30};
    c->framerate = AVRational{30, 1};
    c->gop_size = 12;
    c->max_b_frames = 0;
    c->thread_count = threads;
    if (threadType) c->thread_type = threadType;
    if (std::string(encoder) == "mjpeg") {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * 5;
    } else {
        av_opt_set(c->priv_data, "preset", "ultrafast", 0);
        av_opt_set(c->priv_data, "crf", "23", 0);
    }
    if (avcodec_open2(c, codec, nullptr) < 0) {
        std::printf("  %-40s cannot open\n", label);
        avcodec_free_context(&c);
        return;
    }
    AVPacket* pkt = av_packet_alloc();
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = CpuNow();
    int64_t n = 0, bytes = 0;
    for (int r = 0; r < rounds; ++r)
        for (AVFrame* f : pics) {
            f->pts = n++;
            f->quality = c->global_quality;
            avcodec_send_frame(c, f);
            while (avcodec_receive_packet(c, pkt) == 0) {
                bytes += pkt->size;
                av_packet_unref(pkt);
            }
        }
    avcodec_send_frame(c, nullptr);
    while (avcodec_receive_packet(c, pkt) == 0) {
        bytes += pkt->size;
        av_packet_unref(pkt);
    }
    const double cpu = (CpuNow() - c0) / double(n);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count() / double(n);
    std::printf("  %-40s wall %6.2f ms  CPU %6.2f ms  %6.1f KB/picture (threads used %d)", label, 1000 * wall,
                1000 * cpu, double(bytes) / double(n) / 1024, c->thread_count);
    std::fflush(stdout);
    av_packet_free(&pkt);
    avcodec_free_context(&c);
}

// The encoder in a child process: its peak resident memory beyond what the pictures and
// libraries already took is the encoder's own.
void Run(const char* label, const char* encoder, int threads, int threadType, const std::vector<AVFrame*>& pics,
         int rounds) {
    std::fflush(stdout);
    const long before = ResidentKB();
    const pid_t pid = fork();
    if (pid == 0) {
        if (std::string(encoder) == "pool") EncodePool(label, threads, pics, rounds);
        else Encode(label, encoder, threads, threadType, pics, rounds);
        _exit(0);
    }
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    std::printf("  memory +%5.1f MB\n", double(use.ru_maxrss - before) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 30;
    int w = 1920, h = 1080;
    if (argc > 2) std::sscanf(argv[2], "%dx%d", &w, &h);
    av_log_set_level(AV_LOG_ERROR);
    auto jpeg = Pictures(8, w, h, AV_PIX_FMT_YUVJ420P);
    auto yuv = Pictures(8, w, h, AV_PIX_FMT_YUV420P);
    const int rounds = std::max(1, count / 8);
    std::printf("encoding %dx%d, %d pictures each\n", w, h, rounds * 8);
    Run("mjpeg, 1 thread", "mjpeg", 1, 0, jpeg, rounds);
    Run("mjpeg, automatic (frame threads)", "mjpeg", 0, 0, jpeg, rounds);
    Run("mjpeg, 2 slice threads", "mjpeg", 2, FF_THREAD_SLICE, jpeg, rounds);
    Run("mjpeg, 2 frame threads", "mjpeg", 2, FF_THREAD_FRAME, jpeg, rounds);
    Run("mjpeg via libjpeg-turbo, 1 worker", "pool", 1, 0, jpeg, rounds);
    Run("mjpeg via libjpeg-turbo, 2 workers", "pool", 2, 0, jpeg, rounds);
    Run("x264 ultrafast, 1 thread", "libx264", 1, 0, yuv, rounds);
    Run("x264 ultrafast, automatic", "libx264", 0, 0, yuv, rounds);
    Run("x264 ultrafast, 2 threads", "libx264", 2, 0, yuv, rounds);
    Run("x264 ultrafast, 2 slice threads", "libx264", 2, FF_THREAD_SLICE, yuv, rounds);
    for (AVFrame*& f : jpeg) av_frame_free(&f);
    for (AVFrame*& f : yuv) av_frame_free(&f);
    return 0;
}
