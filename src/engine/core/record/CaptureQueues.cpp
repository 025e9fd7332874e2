// The queues of a capture: frames arrive on the devices' threads, pictures are prepared for
// the encoder there and then (one device delivers in order), and the writer takes pictures
// and sound in the order they arrived.
//
// Preparing on the device's thread rather than on one of its own costs that thread about a
// millisecond for a 1080p screen, and it means the device's frame goes back to it at once:
// screen grabbers and cameras reuse a pool of frame buffers that grows by one frame for
// every picture still held and never shrinks, and a converter thread that lags behind under
// load (the encoder's threads want both cores) held two to three more 8 MB screen frames.
// What waits for a slow encoder or disk is the prepared picture (4:2:0: less than half of a
// 32-bit screen picture), in buffers the preparer reuses.
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

// Under queueMutex_. The capture's first picture is the first to read the device's buffer
// and to be prepared, which can take the device long enough to miss the pictures after it
// (the first read of a 3840x2160 screen segment maps 8100 pages: 100 ms on a virtual
// machine). So it waits for the second: after a gap it is let go and the capture starts with
// the second instead of with a picture held over empty slots. False while `next` is held.
bool CaptureSession::QueueFirstPictures(Item& next) {
    if (heldFirst_.Frame == nullptr) {
        heldFirst_ = next;
        return false;
    }
    holdFirst_ = false;
    if (next.Lost.Device > 0) {
        av_frame_free(&heldFirst_.Frame);
        next.Lost = {};  // before the file begins
    } else {
        videoQueue_.push_back(heldFirst_);
    }
    heldFirst_ = {};
    return true;
}

// Once no device delivers: a first picture still waiting for a second goes to the file.
void CaptureSession::ReleaseHeldFirst() {
    std::lock_guard lock(queueMutex_);
    holdFirst_ = false;
    if (heldFirst_.Frame != nullptr) videoQueue_.push_front(heldFirst_);
    heldFirst_ = {};
}

bool CaptureSession::VideoQueueFull() const {
    return videoQueue_.size() >= static_cast<size_t>(std::max(1, videoQueueLimit_));
}

// A picture turned away: whoever is slow right now is to blame, the file or the encoder.
CaptureSession::Losses CaptureSession::LostNow() const {
    Losses lost;
    (out_ && out_->InWrite() ? lost.Disk : lost.Encoder) += 1;
    return lost;
}

void CaptureSession::Push(const AVFrame* frame, bool video, AVRational tb) {
    const auto arrival = Clock::now();
    stalledSince_[video ? 0 : 1].store(0, std::memory_order_relaxed);  // delivering (again)
    if (!video) {
        AVFrame* copy = av_frame_clone(frame);  // a new reference, no sample copy
        if (copy == nullptr) return;
        {
            std::lock_guard lock(queueMutex_);
            int64_t queued = frame->nb_samples;
            for (const Item& waiting : audioQueue_) queued += waiting.Frame->nb_samples;
            if (queued > audioQueueSamples_) {
                av_frame_free(&copy);
                return;
            }
            audioQueue_.push_back(Item{copy, false, tb, arrival, {}});
        }
        queueCv_.notify_one();
        return;
    }
    {
        std::lock_guard lock(queueMutex_);
        // Gaps in the device's own timing are noted as the pictures arrive; pictures the
        // queue turns away below are the encoder's or the disk's, not gaps. Either is
        // carried by the next picture that reaches the writer, which finds out what slots
        // they cost.
        carry_.Device += DeviceGap(frame->pts, tb);
        if (VideoQueueFull() && !queueSettings_.DropOldest) {
            carry_ += LostNow();
            return;  // not worth preparing
        }
    }
    // Prepared outside the queue's lock: the writer goes on meanwhile (and can only make room).
    std::string why;
    AVFrame* ready = nullptr;
    // The preparer is this delivery's alone while the capture listens (see preparer_).
    if (preparer_) ready = preparer_->Prepare(frame, why);
    if (ready != nullptr) {
        AVFrame* newest = av_frame_clone(ready);
        AVFrame* older = std::exchange(*lastPrepared_.Lock(), newest);
        av_frame_free(&older);  // let go outside the lock
    }
    {
        std::lock_guard lock(queueMutex_);
        if (ready == nullptr) {
            if (prepareFailure_.empty()) prepareFailure_ = why.empty() ? "no picture could be prepared" : why;
        } else {
            if (VideoQueueFull()) {
                // The oldest waiting picture makes room; its losses and this one go to the next.
                Losses lost = LostNow();
                Item& oldest = videoQueue_.front();
                lost += oldest.Lost;
                av_frame_free(&oldest.Frame);
                videoQueue_.pop_front();
                (videoQueue_.empty() ? carry_ : videoQueue_.front().Lost) += lost;
            }
            Item item{ready, true, tb, arrival, carry_};
            carry_ = {};
            if (!holdFirst_ || QueueFirstPictures(item)) videoQueue_.push_back(item);
        }
    }
    queueCv_.notify_one();
}

}  // namespace pelta::engine
