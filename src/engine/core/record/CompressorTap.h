// Shows what a video compressor does to the picture: each frame is encoded with the chosen
// encoder and settings, decoded again and handed back in the input's size and pixel format.
// Encoder and decoder stay open between frames and are reopened when the encoder, the
// settings, the size or the pixel format change. Inter-frame encoders run without delay
// (no B-frames, x264 tuned for zero latency), so each frame comes back at once; should a
// decoder still hold a picture back, the newest decoded picture is returned. At most one
// decoded picture is kept. Used from one thread at a time. No Qt.
#pragma once

#include "engine/core/record/EncoderSettings.h"

#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace pelta::engine::record {

class CompressorTap {
public:
    CompressorTap() = default;
    ~CompressorTap();
    CompressorTap(const CompressorTap&) = delete;
    CompressorTap& operator=(const CompressorTap&) = delete;

    // A new frame (the caller frees it) with `in` as it looks after `encoder` compressed it,
    // with the input's pts. nullptr when the encoder cannot run (LastError() says why) or,
    // for a decoder with delay, before its first picture.
    AVFrame* Process(const AVFrame* in, const std::string& encoder, const EncoderSettings& settings);

    const std::string& LastError() const { return error_; }
    int64_t LastPacketBytes() const { return lastBytes_; }  // compressed size of the last picture
    bool Reopened() const { return reopened_; }             // the last Process opened new codecs
    void Reset();                                           // closes everything

private:
    bool Open(const AVFrame* in, const std::string& encoder, const EncoderSettings& settings);
    bool Fail(const std::string& why);

    AVCodecContext* enc_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* encIn_ = nullptr;     // the picture in the encoder's format
    AVFrame* decoded_ = nullptr;   // the newest decoded picture
    bool haveDecoded_ = false;
    SwsContext* toEncoder_ = nullptr;
    SwsContext* fromDecoder_ = nullptr;
    std::string encoder_;
    EncoderSettings settings_;
    int width_ = 0, height_ = 0, format_ = -1;
    int64_t nextPts_ = 0;
    int64_t lastBytes_ = 0;
    bool reopened_ = false;
    std::string error_;
};

}  // namespace pelta::engine::record
