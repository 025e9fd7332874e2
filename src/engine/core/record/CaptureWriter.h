// Encoders and muxer of one capture file. Used from one thread (the capture's writer).
#pragma once

#include "engine/core/MediaHub.h"
#include "engine/core/record/CaptureErrors.h"
#include "engine/core/record/EncoderSettings.h"
#include "engine/core/record/FileSink.h"
#include "engine/core/record/FrameConverter.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVPacket;
struct SwrContext;
struct AVAudioFifo;

namespace pelta::engine::record {

struct WriterSetup {
    std::string Path;
    int32_t Format = 0;  // OutputFormat code: 0 AVI, 2 WAV, 6 MP3
    bool KeepAllocation = false;
    bool Video = false;
    VideoFormat VideoIn;
    AVRational VideoRate{30, 1};  // frames per second of the file
    std::string VideoEncoder;
    int VideoQuality = 5;  // quantiser when VideoSettings has no "quality" (Motion JPEG, MPEG-4)
    EncoderSettings VideoSettings;  // see EncoderOptionsFor(VideoEncoder); missing keys take defaults
    bool Audio = false;
    AudioFormat AudioIn;
    std::string AudioEncoder;
    EncoderSettings AudioSettings;
};

class CaptureWriter {
public:
    CaptureWriter() = default;
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Creates the file and writes its header. Returns a description of the failure, with
    // `code` saying which kind.
    std::string Open(const WriterSetup& setup, CaptureErrorCode& code);

    // Encodes one picture as frame number `slot` of the video stream (slots only grow;
    // skipped slots repeat the previous picture when played).
    bool WriteVideo(const AVFrame* frame, int64_t slot);
    // Encodes the previous picture again at `slot` (constant-rate filling).
    bool RepeatVideo(int64_t slot);
    // Appends sound; at most the sample limit is ever written.
    bool WriteAudio(const AVFrame* frame);
    bool WriteSilence(int64_t samples);
    void DropAudio(int64_t samples);  // discards queued input samples (sync correction)
    // Keeps this much sound unencoded until Finish, so DropAudio and a later sample limit
    // can still take back that much.
    void SetAudioHoldback(int64_t samples) { audioHoldback_ = std::max<int64_t>(samples, 0); }
    void SetAudioSampleLimit(int64_t samples) { audioLimit_ = samples; }
    int64_t AudioSamplesIn() const { return audioIn_; }   // samples accepted so far
    int AudioRate() const;
    // Marks where the video track ends (the last picture stays until then).
    void SetVideoEnd(int64_t slot) { videoEnd_ = slot; }

    void Flush();
    // Drains the encoders, writes the trailer, cuts and closes the file.
    bool Finish();

    bool Failed() const { return failed_.has_value(); }
    CaptureErrorCode Failure() const { return failed_.value_or(CaptureErrorCode::WriteFailed); }
    const std::string& FailureText() const { return failureText_; }
    bool DiskNearlyFull() const { return sink_.NearlyFull(); }
    bool HasVideo() const { return video_ != nullptr; }
    bool HasAudio() const { return audio_ != nullptr; }

    int64_t VideoPackets() const { return videoPackets_; }
    int64_t VideoBytes() const { return videoBytes_; }
    int64_t AudioPackets() const { return audioPackets_; }
    int64_t AudioBytes() const { return audioBytes_; }
    int64_t LastVideoSlot() const { return lastSlot_; }
    bool InWrite() const { return inWrite_; }

private:
    bool OpenVideo(const WriterSetup& s, std::string& err);
    bool OpenAudio(const WriterSetup& s, std::string& err);
    bool Drain(AVCodecContext* enc, AVStream* st, bool video);
    bool EncodeAudioFifo(bool final);
    bool SetFailure(CaptureErrorCode code, const std::string& text);
    bool FailFromWrite(int rc, const char* what);
    void Release();

    FileSink sink_;
    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* audio_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* picture_ = nullptr;  // converted picture, kept for repeats
    AVFrame* sound_ = nullptr;
    FrameConverter converter_;
    SwrContext* swr_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    bool havePicture_ = false;
    int64_t lastSlot_ = -1;
    int64_t videoEnd_ = -1;
    int64_t audioIn_ = 0;
    int64_t audioOut_ = 0;  // samples handed to the encoder
    int64_t audioLimit_ = INT64_MAX;
    int64_t audioHoldback_ = 0;
    int64_t videoPackets_ = 0, videoBytes_ = 0, audioPackets_ = 0, audioBytes_ = 0;
    bool headerWritten_ = false;
    bool finished_ = false;
    std::atomic<bool> inWrite_{false};
    std::optional<CaptureErrorCode> failed_;
    std::string failureText_;
};

}  // namespace pelta::engine::record
