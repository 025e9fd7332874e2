// Motion JPEG through libjpeg-turbo: a few worker threads each compress whole pictures
// (planar YUV as the writer prepares them, handed to libjpeg as raw data, so its SIMD DCT,
// quantisation and Huffman coding are all that runs), fed by a bounded queue; the packets
// come back in the order the pictures went in. The pictures are referenced, never copied.
// No Qt.
//
// Built only where libjpeg-turbo is installed (PELTA_HAVE_LIBJPEG_TURBO); elsewhere
// JpegPoolAvailable() is false and the writer keeps FFmpeg's encoder.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVPacket;

namespace pelta::engine::record {

bool JpegPoolAvailable();

// The quantisation table (natural order, luma and chroma alike) for FFmpeg's Motion JPEG
// quantiser `quantiser` (2 best, 31 smallest; clamped).
void JpegQuantTable(int quantiser, unsigned int table[64]);

// Whether the pool takes planar pictures of `fmt` (the yuvj 4:2:0, 4:2:2 and 4:4:4 formats).
bool JpegPoolTakes(AVPixelFormat fmt);

class JpegEncoderPool {
public:
    struct Packet {
        int64_t Slot = 0;
        AVPacket* Data = nullptr;  // owned by the receiver; nullptr when Error is set
        std::string Error;
    };

    // Huffman tables a worker fitted to its pictures: DC and AC of luma, then of chroma.
    struct HuffmanTables {
        bool Ready = false;
        uint8_t Bits[4][17] = {};
        uint8_t Values[4][256] = {};
    };

    // `workers` threads (at least one); at most `workers` + 1 pictures wait or are being
    // compressed at once (finished packets wait for Take without their pictures).
    JpegEncoderPool(AVPixelFormat format, int width, int height, int quantiser, int workers);
    ~JpegEncoderPool();
    JpegEncoderPool(const JpegEncoderPool&) = delete;
    JpegEncoderPool& operator=(const JpegEncoderPool&) = delete;

    // Empty when the workers run, else why they cannot.
    const std::string& StartError() const { return startError_; }

    // Takes a new reference to `picture` (format and size as constructed) for slot `slot`.
    // Waits while the pool is full (until a worker finishes a picture). False when the
    // reference cannot be made or no worker runs.
    bool Submit(const AVFrame* picture, int64_t slot);
    // The oldest submitted picture's packet if it is done (or, with `wait`, once it is).
    // False when nothing is submitted and not yet taken, or (without `wait`) not done yet.
    bool Take(Packet& out, bool wait);
    int64_t InHand() const;  // submitted and not yet taken
    int Capacity() const { return static_cast<int>(capacity_); }  // pictures held at most

private:
    struct Job {
        AVFrame* Picture = nullptr;
        int64_t Sequence = 0;
        int64_t Slot = 0;
    };
    struct Worker {
        std::vector<uint8_t> Buffer;  // the compressed picture, reused (only the pages it reaches are touched)
        unsigned char* Data = nullptr;  // Buffer, or libjpeg's own when a picture needed more
        unsigned long Size = 0;
        HuffmanTables Tables;
        int SinceFit = 0;  // pictures coded with Tables since they were fitted
        unsigned long FitBytes = 0;  // the size of the picture they were fitted on
        std::vector<uint8_t> EdgeRows;  // a row of blocks widened to whole blocks (see Write)
    };
    void Work();
    Packet Compress(const Job& job, Worker& state) const;
    std::string Write(const AVFrame* f, Worker& state, bool fit) const;

    AVPixelFormat format_;
    int width_, height_;
    unsigned int steps_[64];  // the quantiser's, luma and chroma alike
    size_t capacity_;
    std::string startError_;
    std::vector<std::thread> workers_;
    mutable std::mutex mutex_;
    std::condition_variable jobReady_, jobTaken_, packetDone_;  // jobTaken_: a worker took or finished one
    std::deque<Job> jobs_;                // under mutex_
    std::map<int64_t, Packet> finished_;  // under mutex_, by sequence
    int64_t nextSequence_ = 0, nextTaken_ = 0;
    bool quit_ = false;
};

}  // namespace pelta::engine::record
