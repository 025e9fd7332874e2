// The writer thread of a capture: takes frames off the queues, times them, encodes and
// writes them, raises progress and ends the capture by itself when it must.
#include "engine/core/record/CaptureErrors.h"
#include "engine/core/record/CaptureJournal.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/PicturePreparer.h"
#include "engine/core/record/SessionTiming.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cmath>
#include <utility>

namespace pelta::engine {

using record::CaptureErrorCode;
using namespace record::session;

namespace {

constexpr auto kProgressEvery = std::chrono::milliseconds(200);
constexpr auto kFlushEvery = std::chrono::milliseconds(1000);
constexpr double kLimitGraceSeconds = 2.0;  // a stalled device still ends a limited capture
// A picture takes the next free slot when it falls this close to it (timing jitter); one
// further behind is thrown away, one further ahead leaves the slots between empty.
constexpr double kPlacementSlack = 0.75;
// A sound-only capture counts a gap in blocks of this many samples (what an encoder packet
// of PCM holds), as it counts its captured frames in packets.
constexpr int64_t kGapBlock = 1024;

}  // namespace

void CaptureSession::HandleVideo(Item& item) {
    if (videoDone_) {
        return;
    }
    pending_ += item.Lost;
    const int64_t pts = item.Frame->pts;
    if (!haveVideoStart_) {
        haveVideoStart_ = true;
        videoStartPts_ = pts;
        videoStartOffset_ = Seconds(item.Arrival - zero_);
    }
    const double t = static_cast<double>(pts - videoStartPts_) * av_q2d(item.TimeBase) + videoStartOffset_;
    const double unscaled = t * av_q2d(rate_);
    // With sound and no video master the picture follows the sound card's clock.
    const double ideal = masterStream_ != 0 && wantAudio_ ? unscaled * audioClockRatio_ : unscaled;
    if (ideal < static_cast<double>(nextSlot_) - kPlacementSlack) {
        ++discarded_;  // more pictures than the file's rate takes
        return;
    }
    int64_t slot = ideal < static_cast<double>(nextSlot_) + kPlacementSlack ? nextSlot_ : std::llround(ideal);
    // A time stamp that jumps far beyond the time passed (a device that restarts its clock)
    // is not trusted further than the sound clock's largest correction allows.
    const double passed = Seconds(item.Arrival - zero_);
    slot = std::min(slot, std::max(nextSlot_, static_cast<int64_t>(std::llround((passed * 1.5 + 1) * av_q2d(rate_)))));
    if (slot >= limitSlots_) {
        EndVideoAtLimit(unscaled);
        return;
    }
    CountEmptySlots(slot - nextSlot_, unscaled);
    out_->WritePicture(item.Frame, slot);
    nextSlot_ = slot + 1;
    havePlaced_ = true;
    lastUnscaled_ = unscaled;
    framesCaptured_ = static_cast<int32_t>(out_->PicturesSent());
    if (nextSlot_ >= limitSlots_) {
        videoDone_ = true;
    }
}

// The time limit passed with no picture for its last slots (a device late, or silent until
// the grace ran out): the file still ends at the limit, and those slots are counted as any
// empty ones are. `unscaled`: where the picture that came past the limit fell, if one did.
void CaptureSession::EndVideoAtLimit(double unscaled) {
    if (havePlaced_ && nextSlot_ < limitSlots_) {
        CountEmptySlots(limitSlots_ - nextSlot_, unscaled);
        out_->SetVideoEnd(limitSlots_);
        nextSlot_ = limitSlots_;
    }
    videoDone_ = true;
}

// Slots left empty before a picture, by cause: pictures turned away by the queue and
// pictures the device's own timing skipped come first; what is left is the device being
// late, except what moving the pictures onto the sound card's clock added.
void CaptureSession::CountEmptySlots(int64_t empty, double unscaled) {
    int64_t rest = empty;
    auto take = [&rest](int32_t& lost, std::atomic<int32_t>& counter) {
        const int64_t n = std::min<int64_t>(rest, lost);
        counter += static_cast<int32_t>(n);
        lost -= static_cast<int32_t>(n);
        rest -= n;
    };
    take(pending_.Encoder, dropEncoder_);
    take(pending_.Disk, dropDisk_);
    take(pending_.Device, dropDevice_);
    if (rest > 0) {
        const int64_t plain = havePlaced_ ? std::max<int64_t>(std::llround(unscaled - lastUnscaled_) - 1, 0) : rest;
        // Only pictures placed on the sound card's clock can be moved by it.
        const bool onSoundClock = masterStream_ != 0 && wantAudio_;
        const int64_t byClock = onSoundClock ? std::max<int64_t>(rest - plain, 0) : 0;
        dropClock_ += static_cast<int32_t>(byClock);
        dropDevice_ += static_cast<int32_t>(rest - byClock);
    }
    // Pictures the queue turned away whose slots a later picture filled.
    discarded_ += pending_.Encoder + pending_.Disk;
    pending_ = {};
}

// At the end the file has the last word: every slot of its video track that holds no
// picture is a dropped frame. What the counts above do not cover (pictures the encoder
// or the file never took, when a capture fails) is the encoder's.
void CaptureSession::SettleDropCounts() {
    const int64_t pictures = out_->PicturesWritten();
    const int64_t empty = std::max<int64_t>(out_->VideoSlots() - pictures, 0);
    int64_t over = static_cast<int64_t>(DroppedByCause().Total()) - empty;
    for (std::atomic<int32_t>* c : {&dropEncoder_, &dropDisk_, &dropClock_, &dropDevice_}) {
        const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(over, 0, c->load()));
        *c -= n;
        over -= n;
    }
    if (over < 0) dropEncoder_ += static_cast<int32_t>(-over);
    framesCaptured_ = static_cast<int32_t>(pictures);
}

void CaptureSession::HandleAudio(Item& item) {
    if (audioDone_) {
        return;
    }
    const AVFrame* f = item.Frame;
    const int rateIn = f->sample_rate > 0 ? f->sample_rate : hub_.CurrentAudioFormat().SampleRate;
    const int rateOut = out_->AudioRate();
    const double frameSeconds = static_cast<double>(f->nb_samples) / std::max(rateIn, 1);
    if (!haveAudioStart_) {
        haveAudioStart_ = true;
        const double lead = Seconds(item.Arrival - zero_) - frameSeconds;
        if (lead > 0) {
            out_->WriteSilence(std::llround(lead * rateOut));
        }
    } else if (const int64_t gap = std::llround((Seconds(item.Arrival - zero_) - frameSeconds) * rateOut) -
                                   out_->AudioSamplesIn();
               audioGap_ && gap > rateOut / 4) {
        // Back after a stall: the time it was silent is silence in the file, the device's drops.
        audioGap_ = false;
        out_->WriteSilence(gap);
        if (!wantVideo_) dropDevice_ += static_cast<int32_t>((gap + kGapBlock - 1) / kGapBlock);
    } else if (f->pts != AV_NOPTS_VALUE && f->pts > nextAudioPts_) {
        // The device skipped samples: silence keeps the sound in step (never further than
        // the time that has passed, whatever the time stamps say).
        const int64_t passed = std::llround(Seconds(item.Arrival - zero_) * 1.5 * rateOut) - out_->AudioSamplesIn();
        const int64_t missing =
            std::min(av_rescale(f->pts - nextAudioPts_, rateOut, std::max(rateIn, 1)), std::max<int64_t>(passed, 0));
        if (missing > 0) {
            out_->WriteSilence(missing);
        }
    }
    nextAudioPts_ = (f->pts != AV_NOPTS_VALUE ? f->pts : nextAudioPts_) + f->nb_samples;
    out_->WriteAudio(f);

    const double contentSeconds = static_cast<double>(out_->AudioSamplesIn()) / rateOut;
    const double wallSeconds = Seconds(item.Arrival - zero_);
    if (wantVideo_ && masterStream_ == 0) {
        // The sound follows the picture's clock: fill in or drop what drifted away.
        const double drift = contentSeconds - wallSeconds;
        if (drift < -kDriftTolerance) {
            out_->WriteSilence(std::llround(-drift * rateOut));
        } else if (drift > kDriftTolerance) {
            out_->DropAudio(std::llround(drift * rateOut));
        }
    } else if (wantVideo_ && masterStream_ != 0 && wallSeconds > 2.0) {
        audioClockRatio_ = std::clamp(contentSeconds / wallSeconds, 0.5, 1.5);
    }
    audioSamplesSeen_ = out_->AudioSamplesIn();
    if (out_->AudioSamplesIn() >= limitSamples_) {
        audioDone_ = true;
    }
    if (!wantVideo_) {
        framesCaptured_ = static_cast<int32_t>(out_->AudioPackets());
    }
}

void CaptureSession::TakeSequencePicture() {
    AVFrame* f = hub_.LatestVideoFrame();
    if (f == nullptr) {
        return;
    }
    int64_t slot = nextSlot_;
    if (mode_ == CaptureMode::ManualFramesAudio || mode_ == CaptureMode::AutoFramesAudio) {
        // Placed at the sound's time, so each picture stays until the next one.
        const double at = static_cast<double>(out_->AudioSamplesIn()) / std::max(out_->AudioRate(), 1);
        slot = std::max(nextSlot_, static_cast<int64_t>(std::llround(at * kSequenceFramesPerSecond)));
    }
    if (slot < limitSlots_ || !ModeHasAudio(mode_)) {
        out_->WriteVideo(f, slot);
        nextSlot_ = slot + 1;
        ++sequenceFrames_;
        // An encoder may hold a few pictures back until the end; each grabbed picture is in
        // the file once it is closed, so it counts at once.
        if (!out_->Failed()) framesCaptured_ = static_cast<int32_t>(sequenceFrames_);
    }
    av_frame_free(&f);
}

void CaptureSession::WriterLoop() {
    auto lastProgress = Clock::now();
    auto lastFlush = lastProgress;
    bool stopping = false;
    bool lost = false;
    std::optional<CaptureErrorCode> failure;
    const bool autoSequence = mode_ == CaptureMode::AutoFrames || mode_ == CaptureMode::AutoFramesAudio;
    const bool limited = timeLimitOn_ && timeLimitSeconds_ > 0;
    const double limit = timeLimitSeconds_;
    const double gap = std::max(frameGapSeconds_, 0.01);
    const std::string path = fileName_;  // fixed while the capture runs

    for (;;) {
        Item item;
        bool have = false;
        bool grab = false;
        {
            std::unique_lock lock(queueMutex_);
            queueCv_.wait_for(lock, std::chrono::milliseconds(50), [&] {
                return stopRequested_ || sourceLost_ || !videoQueue_.empty() || !audioQueue_.empty() ||
                       grabsRequested_ > grabsDone_ || !prepareFailure_.empty();
            });
            const bool v = !videoQueue_.empty();
            const bool a = !audioQueue_.empty();
            if (v || a) {
                const bool takeVideo = v && (!a || videoQueue_.front().Arrival <= audioQueue_.front().Arrival);
                auto& q = takeVideo ? videoQueue_ : audioQueue_;
                item = q.front();
                q.pop_front();
                have = true;
            }
            if (!prepareFailure_.empty()) {
                out_->Fail(CaptureErrorCode::EncoderFailed, prepareFailure_);
            }
            grab = grabsRequested_ > grabsDone_;
            stopping = stopping || stopRequested_;
            lost = lost || sourceLost_;
        }
        if (have) {
            if (!haveZero_) {
                haveZero_ = true;
                zero_ = item.Arrival;
            }
            if (item.Video) {
                HandleVideo(item);
            } else {
                HandleAudio(item);
            }
            av_frame_free(&item.Frame);
        }
        const auto now = Clock::now();
        if (!haveZero_ && (grab || autoSequence) && !wantAudio_) {
            haveZero_ = true;
            zero_ = now;
        }
        if (grab) {
            if (!stopping && !failure) {
                TakeSequencePicture();
            }
            {
                std::lock_guard lock(queueMutex_);
                grabsDone_ = grabsRequested_;
            }
            queueCv_.notify_all();
            Post(EngineEventKind::CaptureProgress, framesCaptured_);
        }
        if (autoSequence && !stopping && now >= nextAutoGrab_) {
            TakeSequencePicture();
            nextAutoGrab_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(gap));
            Post(EngineEventKind::CaptureProgress, framesCaptured_);
        }
        if (out_->Failed()) {
            failure = out_->Failure();
        } else if (out_->MustFinish() == record::FileSink::Stop::DiskFull) {
            failure = CaptureErrorCode::DiskFull;
        } else if (out_->MustFinish() == record::FileSink::Stop::SizeLimit) {
            failure = CaptureErrorCode::WriteFailed;  // the file-size limit
        }
        const double elapsed = Seconds(now - begin_);
        elapsed_ = elapsed;
        bool limitReached = false;
        if (limited) {
            const bool sequenceNoSound = (mode_ == CaptureMode::ManualFrames || mode_ == CaptureMode::AutoFrames);
            limitReached = sequenceNoSound ? elapsed >= limit
                                           : ((videoDone_ && audioDone_) || elapsed >= limit + kLimitGraceSeconds);
        }
        if (!lost && !stopping && StalledTooLong(now)) {
            lost = true;
        }
        if (lost && !failure) {
            failure = CaptureErrorCode::DeviceLost;
        }
        if (limitReached || failure || lost) {
            stopping = true;
        }
        if (stopping && listening_) {
            listening_ = false;
            hub_.RemoveListener(this);
            ReleaseHeldFirst();
        }
        if (stopping) {
            std::lock_guard lock(queueMutex_);
            if (failure || (videoQueue_.empty() && audioQueue_.empty())) {
                break;
            }
        }
        if (now - lastProgress >= kProgressEvery) {
            lastProgress = now;
            Post(EngineEventKind::CaptureProgress, framesCaptured_);
        }
        if (now - lastFlush >= kFlushEvery) {
            lastFlush = now;
            out_->Flush();
        }
    }
    if (limited && wantVideo_ && !ModeIsSequence(mode_) && !failure && !lost && elapsed_ >= limit)
        EndVideoAtLimit(static_cast<double>(limitSlots_));
    CloseOut();
    if (failure) {
        // The words behind the code: which file or device, and what the system said.
        std::string text;
        if (*failure == CaptureErrorCode::DeviceLost) {
            std::lock_guard lock(queueMutex_);
            text = lostWhy_.empty() ? "A device stopped delivering during the capture." : lostWhy_;
        } else {
            std::string why = out_->Failed() ? out_->FailureText() : std::string();
            if (why.empty() && out_->MustFinish() == record::FileSink::Stop::SizeLimit) why = out_->SizeLimitText();
            if (why.empty()) why = *failure == CaptureErrorCode::DiskFull ? "the disk is full" : "writing failed";
            text = "Capture file " + path + ": " + why + ".";
        }
        {
            std::lock_guard lock(queueMutex_);
            lastErrorText_ = text;
        }
        Post(EngineEventKind::CaptureError, record::Code(*failure));
    }
    if (!endedPosted_.exchange(true)) {
        Post(EngineEventKind::CaptureEnded, 0);
    }
}

void CaptureSession::CloseOut() {
    {
        std::lock_guard lock(queueMutex_);
        for (auto* q : {&videoQueue_, &audioQueue_}) {
            for (auto& it : *q) av_frame_free(&it.Frame);
            q->clear();
        }
        av_frame_free(&heldFirst_.Frame);
    }
    preparer_.reset();  // no device delivers to this capture any more (the listener is gone)
    AVFrame* last = std::exchange(*lastPrepared_.Lock(), nullptr);
    av_frame_free(&last);  // let go outside the lock
    hub_.KeepLatestVideoFrame(true);
    const int rateOut = std::max(out_->AudioRate(), 1);
    const int64_t slots = out_->VideoSlots();
    if (!out_->Failed() && out_->HasVideo() && out_->HasAudio() && slots > 0) {
        const double videoEnd = static_cast<double>(slots) / av_q2d(rate_);
        const double audioEnd = static_cast<double>(out_->AudioSamplesIn()) / rateOut;
        if (ModeIsSequence(mode_)) {
            out_->SetVideoEnd(std::llround(audioEnd * av_q2d(rate_)));
        } else if (masterStream_ == 0) {
            const int64_t target = std::llround(videoEnd * rateOut);
            if (target > out_->AudioSamplesIn()) {
                out_->WriteSilence(target - out_->AudioSamplesIn());
            } else {
                out_->SetAudioSampleLimit(target);
            }
        } else {
            // The picture is on the sound's clock. Master 1 holds it to the sound's whole
            // length; without a master by one frame at most, what rounding the last picture's
            // time leaves over. Those slots hold no new picture.
            int64_t endSlot = std::min(limitSlots_, static_cast<int64_t>(std::llround(audioEnd * av_q2d(rate_))));
            if (masterStream_ != 1) {
                endSlot = std::min(endSlot, slots + 1);
            }
            if (endSlot > slots) {
                out_->SetVideoEnd(endSlot);
                dropClock_ += static_cast<int32_t>(endSlot - slots);
            }
            // The sound then ends with the last picture (which lasts a frame, and whose time is
            // rounded to one): at most two frames of silence.
            const int64_t target =
                std::llround(static_cast<double>(out_->VideoSlots()) / av_q2d(rate_) * rateOut);
            const int64_t missing = target - out_->AudioSamplesIn();
            if (missing > 0 && missing <= std::llround(2 * rateOut / av_q2d(rate_))) {
                out_->WriteSilence(missing);
            }
        }
    }
    bool lostDevice = false;
    {
        std::lock_guard lock(queueMutex_);
        lostDevice = sourceLost_;
    }
    if (lostDevice && !ModeIsSequence(mode_) && !out_->Failed() && out_->HasVideo() && out_->HasAudio() &&
        out_->LastVideoSlot() >= 0) {
        // The lost device's track stopped early (by up to the time it took to notice): it is
        // filled up to the other one's end, with silence or the last picture held.
        const double videoEnd = static_cast<double>(out_->VideoSlots()) / av_q2d(rate_);
        const int64_t videoEndSamples = std::llround(videoEnd * rateOut);
        if (out_->AudioSamplesIn() < videoEndSamples) {
            out_->WriteSilence(videoEndSamples - out_->AudioSamplesIn());
        } else {
            const double audioEnd = static_cast<double>(out_->AudioSamplesIn()) / rateOut;
            const int64_t endSlot = std::min(limitSlots_, static_cast<int64_t>(std::llround(audioEnd * av_q2d(rate_))));
            // The slots left empty over the lost device's silence are its drops, not the encoder's.
            const int64_t empty = endSlot - out_->VideoSlots();
            if (empty > 0) {
                out_->SetVideoEnd(endSlot);
                dropDevice_ += static_cast<int32_t>(empty);
            }
        }
    }
    out_->Finish();
    journal_.reset();  // finished: nothing to repair
    if (out_->HasVideo() && !ModeIsSequence(mode_)) {
        SettleDropCounts();
    } else {
        framesCaptured_ = static_cast<int32_t>(out_->HasVideo() ? out_->VideoPackets() : out_->AudioPackets());
    }
    bytesWritten_ = out_->HasVideo() ? out_->VideoBytes() : out_->AudioBytes();
    fileBytes_ = out_->FileBytes();
    packetsWritten_ = out_->HasVideo() ? out_->VideoPackets() : out_->AudioPackets();
    elapsed_ = Seconds(Clock::now() - begin_);
    targetState_ = TargetStateCode::Finished;
    videoCompressors_.SetLocked(false);
    audioCompressors_.SetLocked(false);
    running_ = false;
    queueCv_.notify_all();
    UnlistRunning();
}

}  // namespace pelta::engine
