// Turns a device's picture into the picture an encoder takes: fitted into the file's size
// (with black bars when its shape differs) and converted into the encoder's pixel format.
// The pictures come from a pool of buffers of that one size, so a capture keeps reusing the
// few it has in flight instead of allocating (and faulting in) megabytes for every picture.
// One preparer is used from one thread at a time; its pictures may be released anywhere.
#pragma once

#include "engine/core/record/FrameConverter.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <atomic>
#include <cstddef>
#include <string>

namespace pelta::engine::record {

class PicturePreparer {
public:
    PicturePreparer(AVPixelFormat format, int width, int height);
    ~PicturePreparer();
    PicturePreparer(const PicturePreparer&) = delete;
    PicturePreparer& operator=(const PicturePreparer&) = delete;

    // A new picture of the encoder's format and size holding `in` (its pts kept), owned by
    // the caller; nullptr with `why` set when it cannot be made.
    AVFrame* Prepare(const AVFrame* in, std::string& why);
    // Makes buffers now until the pool has made `pictures` of them, so that as many
    // pictures at once find their memory ready (see MappedBuffer).
    void Reserve(int pictures);
    int BuffersMade() const { return made_; }

private:
    AVFrame* NewPicture();
    static AVBufferRef* MakeBuffer(void* preparer, size_t size);
    void Fit(const AVFrame* in);

    AVPixelFormat format_;
    int width_, height_;
    int linesize_[4] = {};
    size_t bytes_ = 0;
    AVBufferPool* pool_ = nullptr;
    std::atomic<int> made_{0};  // counted by the pool's allocator, on whichever thread
    FrameConverter converter_;
    // The pictures the fitting is set up for, and where they go in the file's picture.
    int inWidth_ = 0, inHeight_ = 0, inFormat_ = -1;
    AVRational inSar_{0, 1};
    int fitX_ = 0, fitY_ = 0, fitW_ = 0, fitH_ = 0;
};

}  // namespace pelta::engine::record
