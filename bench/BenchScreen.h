// Shared by the benchmarks: a moving, numbered screen to capture, the machine's load, the
// CPU a child process has used, and reading a capture file back picture by picture.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

// ---- The numbered screen -------------------------------------------------------------
//
// A window over the region [0, w) x [0, h) of the screen shows a textured picture (ramps,
// edges, noise: work for an encoder) that moves by a few pixels every tick, back and forth,
// so every pixel changes, and the tick's number in a row of black and white 16x16 squares at the top left,
// its complement in the row below (a square pair that does not differ marks a picture that
// cannot be read: torn, or blurred by the encoder). Ticks come `ticksPerSecond` times a
// second by the clock, and the number is the tick due, so a tick drawn late skips numbers
// rather than shifting them. All drawing is done by the X server from a pixmap made once.

constexpr int kStampBits = 24;
constexpr int kStampSquare = 16;

constexpr int kTravel = 512;  // how far the texture scrolls, across and down

// The texture, wider and taller than a w x h window by the distance it scrolls, as 32-bit
// pixels (blue in the low byte), row after row.
inline std::vector<uint32_t> Texture(int w, int h) {
    const int pw = w + kTravel, ph = h + kTravel;
    std::vector<uint32_t> rows(size_t(pw) * size_t(ph));
    std::vector<double> across(size_t(pw) * 3), down(size_t(ph) * 3);
    for (int x = 0; x < pw; ++x)
        for (int ch = 0; ch < 3; ++ch) across[size_t(x) * 3 + size_t(ch)] = 45 * std::sin(x * 0.031 + ch * 2.1);
    for (int y = 0; y < ph; ++y)
        for (int ch = 0; ch < 3; ++ch) down[size_t(y) * 3 + size_t(ch)] = 35 * std::cos(y * 0.023 + ch);
    uint32_t noise = 12345;
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x) {
            noise = noise * 1664525u + 1013904223u;
            // Edges 27 and 21 pixels apart fall at every place within the encoders' 8x8 blocks, so
            // the cost of a picture does not depend on how far it has scrolled.
            const int edge = ((x / 27 + y / 21) & 1) ? 30 : -30;
            int px = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const double v = 128 + across[size_t(x) * 3 + size_t(ch)] + down[size_t(y) * 3 + size_t(ch)] + edge +
                                 int((noise >> 16) & 15) - 8;  // grey noise: screens carry little in colour
                px |= std::clamp(int(v), 0, 255) << (8 * ch);
            }
            rows[size_t(y) * size_t(pw) + size_t(x)] = uint32_t(px);
        }
    return rows;
}

// Where the texture stands at tick `number`: back and forth rather than round, since a jump
// back to the start would make that one picture as costly as a key frame to x264, and each
// side's count of such pictures would depend on where its key frames fall.
inline int Travel(int64_t distance) {
    const int t = int(distance % (2 * (kTravel - 1)));
    return t < kTravel ? t : 2 * (kTravel - 1) - t;
}
inline int TravelX(int64_t number) { return Travel(number * 7); }
inline int TravelY(int64_t number) { return Travel(number * 3); }

// Runs until killed; writes a line to `readyFd` once the first picture is on the screen,
// and ends (status 3) if the X server cannot be reached or drops the connection.
// `skipped` (may be null; memory shared with the caller) counts the ticks never shown
// because the screen was drawn late: a grab then may see one number twice.
[[noreturn]] inline void RunNumberedScreen(const char* display, int w, int h, double ticksPerSecond, int readyFd,
                                           std::atomic<int64_t>* skipped = nullptr) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(c)) _exit(3);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;
    const xcb_window_t win = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, 0, 0, uint16_t(w), uint16_t(h), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
                      values);
    xcb_map_window(c, win);

    // The texture, wider and taller than the window by the distance it scrolls.
    const int pw = w + kTravel, ph = h + kTravel;
    const xcb_pixmap_t pix = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pix, win, uint16_t(pw), uint16_t(ph));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, win, 0, nullptr);
    const uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4u - 64u;
    const int rowsPerPut = std::max<int>(1, int(maxBytes / uint32_t(4 * pw)));
    {
        std::vector<uint32_t> rows = Texture(w, h);
        for (int y0 = 0; y0 < ph; y0 += rowsPerPut) {
            const int n = std::min(rowsPerPut, ph - y0);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pix, gc, uint16_t(pw), uint16_t(n), 0, int16_t(y0), 0,
                          screen->root_depth, uint32_t(n * pw * 4),
                          reinterpret_cast<const uint8_t*>(rows.data() + size_t(y0) * size_t(pw)));
        }
    }
    const xcb_gcontext_t black = xcb_generate_id(c), white = xcb_generate_id(c);
    xcb_create_gc(c, black, win, XCB_GC_FOREGROUND, &screen->black_pixel);
    xcb_create_gc(c, white, win, XCB_GC_FOREGROUND, &screen->white_pixel);

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const double period = 1.0 / ticksPerSecond;
    for (int64_t tick = 0;;) {
        const int64_t number = tick;
        const int sx = TravelX(number), sy = TravelY(number);
        xcb_rectangle_t ones[2 * kStampBits], zeros[2 * kStampBits];
        int nOnes = 0, nZeros = 0;
        for (int b = 0; b < kStampBits; ++b) {
            const bool bit = (number >> (kStampBits - 1 - b)) & 1;
            const xcb_rectangle_t top{int16_t(b * kStampSquare), 0, kStampSquare, kStampSquare};
            const xcb_rectangle_t below{int16_t(b * kStampSquare), kStampSquare, kStampSquare, kStampSquare};
            (bit ? ones[nOnes++] : zeros[nZeros++]) = top;
            (bit ? zeros[nZeros++] : ones[nOnes++]) = below;
        }
        // The number first, then the texture around it: a grab between two requests sees a
        // whole number (with part of the old texture), never texture where the number goes.
        xcb_poly_fill_rectangle(c, win, white, uint32_t(nOnes), ones);
        xcb_poly_fill_rectangle(c, win, black, uint32_t(nZeros), zeros);
        constexpr int kStampW = kStampBits * kStampSquare, kStampH = 2 * kStampSquare;
        xcb_copy_area(c, pix, win, gc, int16_t(sx + kStampW), int16_t(sy), kStampW, 0, uint16_t(w - kStampW),
                      kStampH);
        xcb_copy_area(c, pix, win, gc, int16_t(sx), int16_t(sy + kStampH), 0, kStampH, uint16_t(w),
                      uint16_t(h - kStampH));
        // A round trip: the picture is on the screen before the next tick is planned.
        xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        if (reply == nullptr) _exit(3);
        free(reply);
        if (readyFd >= 0) {
            if (write(readyFd, "ready\n", 6) < 0) _exit(3);
            close(readyFd);
            readyFd = -1;
        }
        // Sleep until the next tick due by the clock.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double elapsed = double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) / 1e9;
        const int64_t next = std::max<int64_t>(tick + 1, int64_t(elapsed / period) + 1);
        if (skipped != nullptr && readyFd < 0) skipped->fetch_add(next - tick - 1, std::memory_order_relaxed);
        tick = next;
        const double at = double(tick) * period;
        timespec wake = start;
        wake.tv_sec += time_t(at);
        wake.tv_nsec += long((at - std::floor(at)) * 1e9);
        if (wake.tv_nsec >= 1000000000L) {
            wake.tv_sec += 1;
            wake.tv_nsec -= 1000000000L;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
    }
}

// The tick number stamped into a picture's luma plane, or -1 when it cannot be read.
inline int64_t ReadStamp(const uint8_t* luma, int stride, int w, int h) {
    if (w < kStampBits * kStampSquare || h < 2 * kStampSquare) return -1;
    int64_t n = 0;
    for (int b = 0; b < kStampBits; ++b) {
        const int x = b * kStampSquare + kStampSquare / 2;
        const int top = luma[(kStampSquare / 2) * stride + x];
        const int below = luma[(kStampSquare + kStampSquare / 2) * stride + x];
        if (std::abs(top - below) < 64) return -1;
        n = (n << 1) | (top > below ? 1 : 0);
    }
    return n;
}

// ---- A capture file read back ----------------------------------------------------------

struct FileReport {
    bool ok = false;
    std::string codec, pixFmt, range, matrix;
    int64_t fileSlots = 0;    // frames the stream says it has (held pictures included)
    int64_t pictures = 0;     // pictures decoded
    int64_t unreadable = 0;   // pictures whose number could not be read
    int64_t distinct = 0;     // different numbers among them
    int64_t bytes = 0;        // video payload
    int64_t packets = 0;      // video packets with a picture
    int64_t keyBytes = 0, keyPackets = 0;  // key frames alone
    double seconds = 0;       // the time the stream spans, first picture to the end of the last
    std::string encoderOptions;  // x264's own record of its settings, from the first picture
    // Fidelity against the picture the screen showed (luma, below the number; the median of
    // the pictures compared): PSNR in dB and SSIM (8x8 blocks).
    double psnr = 0, ssim = 0;
    int64_t compared = 0;
    double BytesPerPicture() const { return packets ? double(bytes) / double(packets) : 0; }
    double BytesPerKeyPicture() const { return keyPackets ? double(keyBytes) / double(keyPackets) : 0; }
};

// The luma (full range, BT.601) of the texture the numbered screen scrolls over a w x h window.
inline std::vector<uint8_t> TextureLuma(int w, int h) {
    const std::vector<uint32_t> t = Texture(w, h);
    std::vector<uint8_t> y(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        const uint32_t p = t[i];
        const int b = int(p & 255), g = int((p >> 8) & 255), r = int((p >> 16) & 255);
        y[i] = uint8_t(std::clamp(int(std::lround(0.299 * r + 0.587 * g + 0.114 * b)), 0, 255));
    }
    return y;
}

// PSNR and SSIM of a decoded picture of tick `number` against what the screen showed, below
// the number's rows. `full`: the luma is full range (else 16-235).
inline void CompareWithScreen(const AVFrame* pic, int64_t number, const std::vector<uint8_t>& texture, bool full,
                              double& psnr, double& ssim) {
    const int w = pic->width, h = pic->height, pw = w + kTravel;
    const int sx = TravelX(number), sy = TravelY(number);
    const int top = 2 * kStampSquare;
    auto decoded = [&](int x, int y) {
        const int v = pic->data[0][y * pic->linesize[0] + x];
        return full ? double(v) : (v - 16) * 255.0 / 219.0;
    };
    auto shown = [&](int x, int y) { return double(texture[size_t(y + sy) * size_t(pw) + size_t(x + sx)]); };
    double se = 0, ssimSum = 0;
    int64_t blocks = 0;
    constexpr double C1 = 6.5025, C2 = 58.5225;
    for (int by = top; by + 8 <= h; by += 8)
        for (int bx = 0; bx + 8 <= w; bx += 8) {
            double ma = 0, mb = 0, va = 0, vb = 0, cov = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    const double a = shown(x, y), b = decoded(x, y);
                    se += (a - b) * (a - b);
                    ma += a, mb += b, va += a * a, vb += b * b, cov += a * b;
                }
            ma /= 64, mb /= 64;
            va = va / 64 - ma * ma, vb = vb / 64 - mb * mb, cov = cov / 64 - ma * mb;
            ssimSum += ((2 * ma * mb + C1) * (2 * cov + C2)) / ((ma * ma + mb * mb + C1) * (va + vb + C2));
            ++blocks;
        }
    const double mse = blocks ? se / (64.0 * double(blocks)) : 0;
    psnr = 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
    ssim = blocks ? ssimSum / double(blocks) : 0;
}

// Reads a capture back: its pictures' numbers, sizes and (with `texture`, the screen's
// TextureLuma) the fidelity of up to `compareAtMost` pictures spread over the file.
inline FileReport ReadBack(const std::string& path, const std::vector<uint8_t>* texture = nullptr,
                           int64_t compareAtMost = 60) {
    FileReport r;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return r;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return r;
    }
    const int vs = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vs < 0) {
        avformat_close_input(&fmt);
        return r;
    }
    const AVCodecParameters* par = fmt->streams[vs]->codecpar;
    r.codec = avcodec_get_name(par->codec_id);
    const char* pf = av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format));
    r.pixFmt = pf ? pf : "?";
    r.range = av_color_range_name(par->color_range) ? av_color_range_name(par->color_range) : "?";
    r.matrix = av_color_space_name(par->color_space) ? av_color_space_name(par->color_space) : "?";
    r.fileSlots = fmt->streams[vs]->nb_frames;
    const AVCodec* dec = avcodec_find_decoder(par->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(dec);
    avcodec_parameters_to_context(ctx, par);
    ctx->thread_count = 0;
    if (avcodec_open2(ctx, dec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        avformat_close_input(&fmt);
        return r;
    }
    std::set<int64_t> seen;
    std::vector<double> psnrs, ssims;
    const bool full = par->color_range == AVCOL_RANGE_JPEG || r.pixFmt.rfind("yuvj", 0) == 0;
    const int64_t every = std::max<int64_t>(1, fmt->streams[vs]->nb_frames / std::max<int64_t>(compareAtMost, 1));
    int64_t first = INT64_MAX, end = INT64_MIN;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* pic = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(ctx, pic) == 0) {
            ++r.pictures;
            const int64_t n = ReadStamp(pic->data[0], pic->linesize[0], pic->width, pic->height);
            if (n < 0) ++r.unreadable;
            else seen.insert(n);
            if (n >= 0 && texture != nullptr && r.pictures % every == 0) {
                double p = 0, q = 0;
                CompareWithScreen(pic, n, *texture, full, p, q);
                psnrs.push_back(p);
                ssims.push_back(q);
            }
            av_frame_unref(pic);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == vs && pkt->size > 0) {
            if (r.packets == 0) {
                const std::string data(reinterpret_cast<const char*>(pkt->data), size_t(pkt->size));
                const size_t at = data.find("options: ");
                if (at != std::string::npos) r.encoderOptions = data.substr(at, data.find('\0', at) - at);
            }
            ++r.packets;
            r.bytes += pkt->size;
            const int64_t at = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            if (at != AV_NOPTS_VALUE) {
                first = std::min(first, at);
                end = std::max(end, at + std::max<int64_t>(pkt->duration, 1));
            }
            if (pkt->flags & AV_PKT_FLAG_KEY) {
                ++r.keyPackets;
                r.keyBytes += pkt->size;
            }
            avcodec_send_packet(ctx, pkt);
            receive();
        }
        av_packet_unref(pkt);
    }
    avcodec_send_packet(ctx, nullptr);
    receive();
    r.distinct = int64_t(seen.size());
    auto median = [](std::vector<double> v) {
        if (v.empty()) return 0.0;
        std::nth_element(v.begin(), v.begin() + ptrdiff_t(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    r.psnr = median(psnrs);
    r.ssim = median(ssims);
    r.compared = int64_t(psnrs.size());
    if (end > first) r.seconds = double(end - first) * av_q2d(fmt->streams[vs]->time_base);
    r.fileSlots = std::max(r.fileSlots, r.pictures);
    r.ok = true;
    av_frame_free(&pic);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return r;
}

// ---- The machine ------------------------------------------------------------------------

inline double LoadAverage() {
    double one = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &one) != 1) one = 0;
        std::fclose(f);
    }
    return one;
}

// Waits up to `maxWait` seconds for the one-minute load to fall to `limit`; returns the
// load it starts with. Says so when it gives up.
inline double WaitForQuiet(double limit, double maxWait) {
    double load = LoadAverage();
    for (double waited = 0; load > limit && waited < maxWait; waited += 2) {
        sleep(2);
        load = LoadAverage();
    }
    if (load > limit)
        std::printf("  warning: load %.2f is above %.2f (cores %ld): other work shares the machine\n", load, limit,
                    sysconf(_SC_NPROCESSORS_ONLN));
    std::fflush(stdout);  // nothing buffered left for a forked child to print again
    return load;
}

// The same with the limits the environment sets: BENCH_MAX_LOAD (default the core count)
// and BENCH_LOAD_WAIT (seconds, default 30).
inline double WaitForQuiet() {
    const char* limit = std::getenv("BENCH_MAX_LOAD");
    const char* wait = std::getenv("BENCH_LOAD_WAIT");
    return WaitForQuiet(limit ? std::atof(limit) : double(sysconf(_SC_NPROCESSORS_ONLN)), wait ? std::atof(wait) : 30);
}

// CPU seconds a running process has used so far (all its threads).
inline double CpuSoFar(pid_t pid) {
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f) return 0;
    char text[1024] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = 0;
    // Fields after the command name (which may hold blanks) start after the last ')'.
    const char* p = std::strrchr(text, ')');
    unsigned long long utime = 0, stime = 0;
    if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
        return 0;
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

}  // namespace bench
