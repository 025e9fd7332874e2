// Encoders and muxer of one capture file. Used from one thread (the capture's writer).
#pragma once

#include "engine/core/MediaHub.h"
#include "engine/core/record/AviLayout.h"
#include "engine/core/record/CaptureErrors.h"
#include "engine/core/record/EncoderSettings.h"
#include "engine/core/record/FileSink.h"
#include "engine/core/record/JpegEncoderPool.h"
#include "engine/core/record/PicturePreparer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
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
    bool KeepAllocation = false;  // the file is our own reservation: write it from the start
    int64_t ReserveBytes = 0;     // space to set aside when the capture starts
    bool Video = false;
    VideoFormat VideoIn;  // size: the pictures as they will arrive (after the processors)
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
    // skipped slots become empty chunks, which hold the previous picture when played).
    // A picture of another shape than the file's is fitted in with black bars.
    bool WriteVideo(const AVFrame* frame, int64_t slot);
    // The same for a picture already prepared for the encoder (PixelFormat, Width and Height,
    // see PicturePreparer); a reference is kept for repeats.
    bool WritePicture(const AVFrame* picture, int64_t slot);
    // Ends the capture with this failure (work done elsewhere for the file failed).
    void Fail(CaptureErrorCode code, const std::string& text) { SetFailure(code, text); }
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
    // Slots of the video track so far: pictures and the empty chunks between and after them.
    int64_t VideoSlots() const { return std::max(lastSlot_ + 1, videoEnd_); }
    // Pictures from the device in the file (or on their way to it through the encoder).
    int64_t PicturesSent() const { return picturesSent_; }
    int64_t PicturesWritten() const { return videoPackets_ - repeatPackets_; }

    void Flush();
    // Drains the encoders, writes the trailer, cuts and closes the file.
    bool Finish();

    bool Failed() const { return failed_.has_value(); }
    CaptureErrorCode Failure() const { return failed_.value_or(CaptureErrorCode::WriteFailed); }
    const std::string& FailureText() const { return failureText_; }
    // Why the capture must finish now (the space kept back takes the rest of the file).
    FileSink::Stop MustFinish() const { return sink_.StopReason(); }
    std::string SizeLimitText() const { return sink_.SizeLimitText(); }
    int Width() const;
    int Height() const;
    AVPixelFormat PixelFormat() const;
    // Prepared pictures the video encoder may hold at once by reference.
    int PicturesHeld() const;
    bool HasVideo() const { return video_ != nullptr; }
    bool HasAudio() const { return audio_ != nullptr; }

    int64_t VideoPackets() const { return videoPackets_; }
    int64_t VideoBytes() const { return videoBytes_; }
    int64_t FileBytes() const { return sink_.BytesWritten(); }  // everything written to the file
    int64_t AudioPackets() const { return audioPackets_; }
    int64_t AudioBytes() const { return audioBytes_; }
    int64_t LastVideoSlot() const { return lastSlot_; }
    bool InWrite() const { return inWrite_; }

private:
    bool OpenVideo(const WriterSetup& s, std::string& err);
    bool OpenAudio(const WriterSetup& s, std::string& err);
    bool Drain(AVCodecContext* enc, AVStream* st, bool video);
    bool EncodePicture(int64_t slot);
    // Motion JPEG through libjpeg-turbo's workers instead of the codec context (which then
    // only describes the stream).
    bool OpenJpegPool(const WriterSetup& s, std::string& err);
    bool SendToJpegPool(int64_t slot);
    bool MuxJpegPackets(bool wait);  // the finished ones in order; with `wait` all of them
    bool DrainVideoEncoder();        // everything the video encoder still holds, at the end
    bool Mux(AVPacket* packet, bool video);
    int64_t FinishingNeed() const;
    void FindWavFields();
    void PatchWavHeader();
    void PatchAviHeader();
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
    AVFrame* picture_ = nullptr;  // the last picture encoded, kept for repeats
    std::unique_ptr<JpegEncoderPool> jpeg_;
    AVFrame* sound_ = nullptr;
    std::unique_ptr<PicturePreparer> preparer_;  // for WriteVideo
    SwrContext* swr_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    bool havePicture_ = false;
    int64_t lastSlot_ = -1;
    int64_t picturesSent_ = 0, repeatPackets_ = 0;
    int64_t maxPacket_ = 0;
    int64_t chunkBytes_ = 0, chunks_ = 0;  // everything handed to the muxer
    int64_t muxedSlots_ = 0;
    int64_t headerEnd_ = 0;
    int64_t audioSamplesMuxed_ = 0;
    int64_t audioFileBytesPerSample_ = 8;
    bool wav_ = false;
    bool avi_ = false;
    AviLayout aviLayout_{false};  // what of the AVI is in the file so far
    int64_t wavDataSizeAt_ = -1, wavDataStart_ = -1, wavFactAt_ = -1;
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
