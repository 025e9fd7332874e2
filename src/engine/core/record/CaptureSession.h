// Everything that records: the capture members of the engine contract, Qt-free.
// Frames arrive from the hub on the devices' threads: a picture is prepared for the encoder
// (fitted, converted) right there, which lets the device's frame go at once, and queued
// (bounded) with the sound; one writer thread per capture encodes, muxes and writes them,
// raises the progress events and ends the capture by itself (time limit, full disk, lost
// device).
#pragma once

#include "engine/core/EngineContract.h"
#include "engine/core/Guarded.h"
#include "engine/core/MediaHub.h"
#include "engine/core/record/CaptureErrors.h"
#include "engine/core/record/Compressors.h"
#include "engine/core/record/EncoderSettings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace pelta::engine::record {
class CaptureWriter;
class JournalEntry;
class PicturePreparer;
}

namespace pelta::engine {

// Frames a sequence without sound is played at.
inline constexpr int kSequenceFramesPerSecond = 10;

// Values of TargetState.
namespace TargetStateCode {
constexpr int32_t NoOutput = 0;   // nothing prepared, no finished file
constexpr int32_t Prepared = 1;   // PrepareCapture accepted the mode and format
constexpr int32_t Finished = 2;   // the last capture's file is complete
constexpr int32_t Writing = 3;    // a capture is writing its file
}  // namespace TargetStateCode

// Queue lengths and what happens when a queue is full (the capture-properties dialog).
struct CaptureQueueSettings {
    int VideoFrames = 8;          // pictures waiting for the encoder
    int AudioSeconds = 4;         // sound waiting for the encoder
    bool DropOldest = false;      // on overflow drop the oldest waiting picture, else the new one
    int VideoQuality = 5;         // quantiser of Motion JPEG / MPEG-4 (2 best .. 31) until
                                  // SetEncoderSettings gives that encoder its own
};

// Slots of the file's video track that hold no new picture from the device (empty chunks:
// the previous picture stays), by cause; FramesCaptured + Total() is the track's length.
// Pictures thrown away without leaving a slot empty are counted apart.
struct DropCounts {
    int32_t DeviceGaps = 0;       // the device's picture came late or not at all
    int32_t EncoderBehind = 0;    // the picture was turned away while the encoder worked
    int32_t DiskBehind = 0;       // the picture was turned away while the file was written
    int32_t ClockCorrection = 0;  // moving the pictures onto the sound card's clock (it ran fast)
    int32_t Discarded = 0;        // pictures thrown away that no slot missed: more pictures
                                  // than the file's rate takes, or a sound clock running slow
    int32_t Total() const { return DeviceGaps + EncoderBehind + DiskBehind + ClockCorrection; }
};

class CaptureSession : private FrameListener {
public:
    CaptureSession(MediaHub& hub, EngineEventPoster poster);
    ~CaptureSession() override;
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    void PrepareCapture(int32_t mode);
    void BeginCapture(int32_t mode);
    void EndCapture();
    // Ends the capture and waits until its thread is done: the file finished, its events
    // posted. For an owner that needs the file whole before it goes on (or goes away).
    void EndCaptureAndWait();
    void GrabFrame();
    bool ModeAvailable(int32_t mode) const;
    int32_t ActiveMode() const;
    bool Capturing() const { return running_.load(); }
    // Ends every running capture of this process and waits, at most `wait`, until each has
    // finished its file: for a program that must exit now (its display connection died).
    // Returns false when one was still writing at the end of the wait.
    static bool FinishAllRunning(std::chrono::milliseconds wait);
    int32_t State() const;  // for EngineState: 4 while capturing, else 1
    int32_t TargetState() const;
    void ResetOutput();

    std::string CaptureFileName() const;
    void SetCaptureFileName(const std::string& path);
    int32_t OutputFormat() const;
    void SetOutputFormat(int32_t code);
    void ReserveCaptureFile(int32_t sizeMB);
    void CopyCaptureTo(const std::string& fileName, bool flag);
    StillPicture StillPictureHandle() const;

    bool TimeLimitOn() const { return timeLimitOn_; }
    void SetTimeLimitOn(bool on) { timeLimitOn_ = on; }
    double TimeLimitSeconds() const { return timeLimitSeconds_; }
    void SetTimeLimitSeconds(double s);
    bool FrameRateOn() const { return frameRateOn_; }
    void SetFrameRateOn(bool on) { frameRateOn_ = on; }
    double FrameRateValue() const { return frameRateValue_; }
    void SetFrameRateValue(double fps);
    double FrameGapSeconds() const { return frameGapSeconds_; }
    void SetFrameGapSeconds(double s);
    int32_t MasterStreamIndex() const { return masterStream_; }
    void SetMasterStreamIndex(int32_t index);

    int32_t FramesCaptured() const { return framesCaptured_.load(); }
    int32_t FramesDropped() const;
    int32_t MeanFrameBytes() const;
    int64_t FileBytesWritten() const { return fileBytes_.load(); }
    double ElapsedSeconds() const;
    // The file or device behind the last CaptureError event and what the system said.
    std::string LastErrorText() const;
    DropCounts DroppedByCause() const;

    CaptureQueueSettings QueueSettings() const;
    void SetQueueSettings(const CaptureQueueSettings& settings);

    // The encoders the selections stand for; empty for "No Recompression". MP3 files always
    // get the MP3 encoder.
    std::string ChosenVideoEncoder() const { return videoCompressors_.SelectedEncoder(std::string()); }
    std::string ChosenAudioEncoder() const;
    CompressorList& VideoCompressorList() { return videoCompressors_; }
    CompressorList& AudioCompressorList() { return audioCompressors_; }

    // Settings per libavcodec encoder name, used by the next capture that encodes with it
    // (a running capture keeps what it started with). Values are clamped when stored.
    void SetEncoderSettings(const std::string& encoder, const record::EncoderSettings& settings);
    // The stored settings, else the defaults with the queue settings' VideoQuality as quantiser.
    record::EncoderSettings EncoderSettingsFor(const std::string& encoder) const;
    // Only the settings stored with SetEncoderSettings, by encoder name.
    std::map<std::string, record::EncoderSettings> StoredEncoderSettings() const {
        std::lock_guard lock(encoderSettingsMutex_);
        return encoderSettings_;
    }

private:
    // Pictures lost before they reached the writer, carried by the next one that does.
    struct Losses {
        int32_t Encoder = 0, Disk = 0, Device = 0;
        Losses& operator+=(const Losses& o) {
            Encoder += o.Encoder;
            Disk += o.Disk;
            Device += o.Device;
            return *this;
        }
    };
    struct Item {
        AVFrame* Frame = nullptr;
        bool Video = false;
        AVRational TimeBase{1, 1};
        std::chrono::steady_clock::time_point Arrival;
        Losses Lost;
    };

    void OnVideoFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnAudioFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnSourceLost(bool video, const std::string& why) override;

    // What BeginCapture settles on the UI thread for the capture's thread.
    struct StartPlan {
        std::string Path;
        bool Reserved = false, ReservedCreated = false, Existed = false;
        int64_t ReserveBytes = 0;
        std::string PreviousCapture;
        int32_t PreviousTarget = TargetStateCode::NoOutput;
    };

    void Validate(int32_t mode) const;  // throws EngineError
    void RefuseWhileRunning() const;    // throws EngineError
    bool StartWriting(const StartPlan& plan, std::stop_token stop);
    bool AbandonStart(const StartPlan& plan, std::optional<record::CaptureErrorCode> code, const std::string& why);
    void Push(const AVFrame* frame, bool video, AVRational tb);
    bool VideoQueueFull() const;  // under queueMutex_
    Losses LostNow() const;
    bool QueueFirstPictures(Item& next);
    void ReleaseHeldFirst();
    int32_t DeviceGap(int64_t pts, AVRational tb);  // under queueMutex_
    void CountEmptySlots(int64_t empty, double unscaled);
    void EndVideoAtLimit(double unscaled);
    void SettleDropCounts();
    void ForgetReservation(bool removeOwnFile);
    void WriterLoop();
    void HandleVideo(Item& item);
    void HandleAudio(Item& item);
    void TakeSequencePicture();
    void CloseOut();
    void UnlistRunning();
    // A device silent for kGoneAfter is taken as gone: the capture ends as for a lost one.
    bool StalledTooLong(std::chrono::steady_clock::time_point now);
    void Post(EngineEventKind kind, int32_t value) const;
    void JoinWriter();

    MediaHub& hub_;
    EngineEventPoster poster_;
    record::CompressorCatalogue videoCompressors_;
    record::CompressorCatalogue audioCompressors_;
    mutable std::mutex encoderSettingsMutex_;
    std::map<std::string, record::EncoderSettings> encoderSettings_;  // under encoderSettingsMutex_

    // Settings (UI thread)
    std::string fileName_;
    int32_t outputFormat_ = 0;
    bool timeLimitOn_ = false;
    double timeLimitSeconds_ = 0;
    bool frameRateOn_ = false;
    double frameRateValue_ = 0;
    double frameGapSeconds_ = 1;
    int32_t masterStream_ = -1;  // read by the writer; refused changes while capturing
    std::string reservedFile_;
    int64_t reservedBytes_ = 0;
    bool reservedCreated_ = false;  // the reservation made the file: it holds no data of the user's
    std::string lastCapture_;
    int32_t preparedMode_ = 0;
    int32_t activeMode_ = 0;
    std::atomic<int32_t> targetState_{TargetStateCode::NoOutput};  // the writer sets Finished

    // The running capture
    std::atomic<bool> running_{false};
    std::atomic<bool> listening_{false};
    std::thread writer_;
    std::stop_source stop_;  // lets a capture still waiting for its devices go
    std::unique_ptr<record::CaptureWriter> out_;
    std::unique_ptr<record::JournalEntry> journal_;  // while the file is being written
    mutable std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::deque<Item> videoQueue_;  // pictures prepared for the encoder
    std::deque<Item> audioQueue_;
    std::string prepareFailure_;   // under queueMutex_: why a picture could not be prepared
    // Made before the capture starts listening, used only by the video delivery while it
    // listens, dropped once RemoveListener has waited out the last delivery: owned in turn,
    // never shared, so no lock.
    std::unique_ptr<record::PicturePreparer> preparer_;
    // The newest prepared picture, the still picture while the hub
    // holds none (see KeepLatestVideoFrame); always a picture the queue or writer holds too
    Guarded<AVFrame*> lastPrepared_{nullptr};
    bool stopRequested_ = false;   // under queueMutex_
    int grabsRequested_ = 0;       // under queueMutex_
    int grabsDone_ = 0;            // under queueMutex_
    bool sourceLost_ = false;      // under queueMutex_
    std::string lostWhy_;          // under queueMutex_
    std::string lastErrorText_;    // under queueMutex_
    CaptureQueueSettings queueSettings_;  // under queueMutex_
    int videoQueueLimit_ = 8;      // under queueMutex_: VideoFrames, or fewer for large pictures
    int64_t audioQueueSamples_ = 0;  // under queueMutex_: AudioSeconds of the capture's sound
    Losses carry_;                 // under queueMutex_: losses for the next queued picture
    // Under queueMutex_: the capture's first picture waits for the second (see Push).
    bool holdFirst_ = false;
    Item heldFirst_;
    bool haveArrivalPts_ = false;  // under queueMutex_
    int64_t lastArrivalPts_ = 0;   // under queueMutex_
    AVRational deviceRate_{0, 1};  // under queueMutex_

    // Writer-thread state of the capture
    int32_t mode_ = 0;
    bool wantVideo_ = false, wantAudio_ = false;
    AVRational rate_{30, 1};
    bool constantRate_ = false;
    int64_t limitSlots_ = INT64_MAX;
    int64_t limitSamples_ = INT64_MAX;
    std::chrono::steady_clock::time_point begin_;
    bool haveZero_ = false;
    std::chrono::steady_clock::time_point zero_;
    bool haveVideoStart_ = false;
    int64_t videoStartPts_ = 0;
    double videoStartOffset_ = 0;
    bool haveAudioStart_ = false;
    int64_t nextAudioPts_ = 0;
    double audioClockRatio_ = 1.0;
    int64_t nextSlot_ = 0;
    Losses pending_;              // losses not yet matched to empty slots
    bool havePlaced_ = false;
    double lastUnscaled_ = 0;     // where the last placed picture fell before the clock correction
    bool videoDone_ = false, audioDone_ = false;
    int64_t sequenceFrames_ = 0;
    std::chrono::steady_clock::time_point nextAutoGrab_;

    // A device that stalls (its source reports it delivered nothing for a while) is waited
    // for: what it missed becomes a gap in its track (silence, or the last picture held) and
    // the capture goes on. Only one silent for kGoneAfter, or gone altogether, ends it.
    static constexpr std::chrono::seconds kGoneAfter{30};
    std::atomic<int64_t> stalledSince_[2] = {0, 0};  // steady clock, per [video, sound]; 0: delivering
    std::string stallWhy_;                           // under queueMutex_
    std::atomic<bool> audioGap_{false};              // the sound stalled: fill the gap when it is back

    std::atomic<int32_t> framesCaptured_{0};
    std::atomic<int32_t> dropDevice_{0}, dropEncoder_{0}, dropDisk_{0}, dropClock_{0}, discarded_{0};
    std::atomic<int64_t> bytesWritten_{0};
    std::atomic<int64_t> fileBytes_{0};  // the finished file's size as written
    std::atomic<int64_t> packetsWritten_{0};
    std::atomic<int64_t> audioSamplesSeen_{0};
    std::atomic<int> audioRateSeen_{0};
    std::atomic<double> elapsed_{0};
    std::atomic<bool> endedPosted_{true};
};

}  // namespace pelta::engine
