// The queues of a capture and its picture converter: frames arrive on the devices' threads,
// pictures are prepared for the encoder on the converter thread, one at a time and in order,
// and the writer takes prepared pictures and sound in the order they arrived.
//
// What waits for a slow encoder or disk is the prepared picture (4:2:0 takes less than half
// of what a 32-bit screen picture takes), and the device's frame goes back to it at once:
// a screen grabber or camera reuses a small pool of buffers, which would otherwise grow by
// one frame for every picture waiting.
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/PicturePreparer.h"
#include "engine/core/record/SessionTiming.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cmath>

namespace pelta::engine {

using namespace record::session;

// Runs on the device's thread, so it asks the hub nothing (the hub may be closing that
// device while holding its lock): the rate was noted when the capture began. Returns the
// pictures the device's own timing skipped before this one.
int32_t CaptureSession::DeviceGap(int64_t pts, AVRational tb) {
    int32_t skipped = 0;
    if (haveArrivalPts_ && deviceRate_.num > 0 && deviceRate_.den > 0) {
        const double frameTicks = av_q2d(av_inv_q(deviceRate_)) / av_q2d(tb);
        const double gap = static_cast<double>(pts - lastArrivalPts_) / frameTicks;
        if (gap > 1.5) skipped = static_cast<int32_t>(std::min<double>(std::llround(gap) - 1, INT32_MAX / 2));
    }
    haveArrivalPts_ = true;
    lastArrivalPts_ = pts;
    return skipped;
}

size_t CaptureSession::PicturesQueued() const {
    return videoQueue_.size() + preparedQueue_.size() + (convertingBusy_ && !convertingDropped_ ? 1 : 0);
}

bool CaptureSession::PicturesPending() const { return PicturesQueued() > 0; }

// Throws the oldest waiting picture away; its losses and `lost` go to the next one in line.
void CaptureSession::DropOldestPicture(Losses lost) {
    if (!preparedQueue_.empty()) {
        lost += preparedQueue_.front().Lost;
        av_frame_free(&preparedQueue_.front().Frame);
        preparedQueue_.pop_front();
    } else if (convertingBusy_ && !convertingDropped_) {
        // The converter is reading it: it throws its result away when done.
        lost += converting_.Lost;
        converting_.Lost = {};
        convertingDropped_ = true;
    } else {
        lost += videoQueue_.front().Lost;
        av_frame_free(&videoQueue_.front().Frame);
        videoQueue_.pop_front();
    }
    Losses* next = !preparedQueue_.empty()                     ? &preparedQueue_.front().Lost
                   : convertingBusy_ && !convertingDropped_ ? &converting_.Lost
                   : !videoQueue_.empty()                      ? &videoQueue_.front().Lost
                                                               : &carry_;
    *next += lost;
}

void CaptureSession::Push(const AVFrame* frame, bool video, AVRational tb) {
    AVFrame* copy = av_frame_clone(frame);  // a new reference, no pixel copy
    if (copy == nullptr) {
        if (video) {
            std::lock_guard lock(queueMutex_);
            carry_.Encoder += 1;
        }
        return;
    }
    Item item{copy, video, tb, Clock::now(), {}};
    {
        std::lock_guard lock(queueMutex_);
        if (video) {
            // Gaps in the device's own timing are noted as the pictures arrive; pictures the
            // queue turns away below are the encoder's or the disk's, not gaps. Either is
            // carried by the next picture that reaches the writer, which finds out what slots
            // they cost.
            carry_.Device += DeviceGap(frame->pts, tb);
            if (PicturesQueued() >= static_cast<size_t>(std::max(1, queueSettings_.VideoFrames))) {
                Losses lost;
                // Whoever is slow right now is to blame: the file or the encoder.
                (out_ && out_->InWrite() ? lost.Disk : lost.Encoder) += 1;
                if (!queueSettings_.DropOldest) {
                    carry_ += lost;
                    av_frame_free(&item.Frame);
                    return;
                }
                DropOldestPicture(lost);
            }
            item.Lost = carry_;
            carry_ = {};
            videoQueue_.push_back(item);
        } else {
            int64_t queued = frame->nb_samples;
            for (const Item& waiting : audioQueue_) queued += waiting.Frame->nb_samples;
            if (queued > audioQueueSamples_) {
                av_frame_free(&item.Frame);
                return;
            }
            audioQueue_.push_back(item);
        }
    }
    // A new picture is the converter's; only sound is for the writer straight away.
    (video ? convertCv_ : queueCv_).notify_one();
}

// What the writer takes next, in arrival order: 1 a prepared picture, 2 sound, 0 nothing
// yet (sound that arrived after a picture still being prepared waits for that picture).
int CaptureSession::PickNext() const {
    const Item* video = !preparedQueue_.empty()                     ? &preparedQueue_.front()
                        : convertingBusy_ && !convertingDropped_ ? &converting_
                        : !videoQueue_.empty()                      ? &videoQueue_.front()
                                                                    : nullptr;
    const Item* audio = audioQueue_.empty() ? nullptr : &audioQueue_.front();
    if (video != nullptr && (audio == nullptr || video->Arrival <= audio->Arrival)) {
        return preparedQueue_.empty() ? 0 : 1;
    }
    return audio != nullptr ? 2 : 0;
}

// The converter thread: prepares the queued pictures one after the other. Runs until the
// writer stops it; what is left in the queues then goes with them.
void CaptureSession::ConvertLoop() {
    record::PicturePreparer preparer(out_->PixelFormat(), out_->Width(), out_->Height());
    for (;;) {
        AVFrame* raw = nullptr;
        {
            std::unique_lock lock(queueMutex_);
            convertCv_.wait(lock, [&] { return converterQuit_ || !videoQueue_.empty(); });
            if (converterQuit_) return;
            converting_ = videoQueue_.front();
            videoQueue_.pop_front();
            convertingBusy_ = true;
            convertingDropped_ = false;
            raw = converting_.Frame;
        }
        std::string why;
        AVFrame* ready = preparer.Prepare(raw, why);
        av_frame_free(&raw);
        {
            std::lock_guard lock(queueMutex_);
            Item item = converting_;
            converting_ = {};
            convertingBusy_ = false;
            if (ready != nullptr && !convertingDropped_) {
                item.Frame = ready;
                preparedQueue_.push_back(item);
            } else {
                av_frame_free(&ready);
                if (!why.empty() && convertFailure_.empty()) convertFailure_ = why;
            }
        }
        queueCv_.notify_all();
    }
}

void CaptureSession::StopConverting() {
    if (!converter_.joinable()) return;
    {
        std::lock_guard lock(queueMutex_);
        converterQuit_ = true;
    }
    convertCv_.notify_all();
    converter_.join();
}

}  // namespace pelta::engine
