// Turns captured pictures into the picture format and size an encoder takes. No Qt.
//
// Screens deliver 32-bit BGR (BGR0); nearly every encoder wants planar 4:2:0 or 4:2:2
// YUV of the same size. That case has its own converter: BT.601 in fixed point, chroma the
// mean of each 2x2 (4:2:0) or 1x2 (4:2:2) block, rows optionally shared by two threads.
// Everything else (other source formats, RGB encoders, a size change) goes through
// swscale; only a size change pays for a bicubic filter.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct AVCodecContext;
struct SwsContext;

namespace pelta::engine::record {

// The colour description the engine gives encoders of planar YUV: the BT.601 matrix, full
// range for the JPEG formats (yuvj*, what Motion JPEG decoders assume) and limited range
// for the others, screen (sRGB) primaries and transfer, chroma sited at the centre of its
// block. Sets the colour fields of `ctx` (an encoder context whose pix_fmt is chosen, not
// yet opened); RGB formats are left untagged.
void TagEncoderColours(AVCodecContext* ctx);

// Whether `fmt` is a planar YUV format whose 8-bit samples use the full 0-255 range
// when the engine writes it (the yuvj formats).
bool IsFullRangeYuv(AVPixelFormat fmt);

class FrameConverter {
public:
    // `threads`: how many threads the own converter shares rows among (1 or 2; the
    // second starts with the first picture big enough). swscale runs on the caller's thread.
    // One is the default: a 1080p picture takes about 0.6 ms (AVX2), and the encoders'
    // own threads already keep both cores busy, so a second thread only adds hand-overs.
    explicit FrameConverter(int threads = 1);
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // Converts `in` into `out`, whose format, size and buffers are set. Empty on success,
    // else why it cannot be done.
    std::string Convert(const AVFrame* in, AVFrame* out);

    // True when the last Convert took the own converter rather than swscale.
    bool UsedDirectPath() const { return direct_; }

    // True when this pair of formats and sizes goes through the own converter.
    static bool HasDirectPath(AVPixelFormat in, int inW, int inH, AVPixelFormat out, int outW, int outH);

private:
    void RunSlices(const std::function<void(int first, int count)>& rows, int rowCount);
    void HelperLoop();

    // swscale's context and what it was made for (the same size, formats and ranges).
    struct SwsKey {
        int inW = 0, inH = 0;
        AVPixelFormat inFmt = AV_PIX_FMT_NONE;
        int outW = 0, outH = 0;
        AVPixelFormat outFmt = AV_PIX_FMT_NONE;
        bool inFull = false, outFull = false;
        bool operator==(const SwsKey&) const = default;
    };
    SwsContext* sws_ = nullptr;
    SwsKey swsKey_;
    bool direct_ = false;

    // One helper thread (when threads > 1) takes the upper half of the rows of each
    // picture while the caller does the lower half.
    int threads_ = 1;
    std::thread helper_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int, int)>* job_ = nullptr;
    int jobFirst_ = 0, jobCount_ = 0;
    uint64_t jobSerial_ = 0, jobFinished_ = 0;
    bool quit_ = false;
};

}  // namespace pelta::engine::record
