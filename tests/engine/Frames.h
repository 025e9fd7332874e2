// Frames a test owns, and blank pictures for it to fill.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include <memory>

namespace pelta::test {

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// A picture with its buffers, their contents unset; empty (and the test failed) if the
// buffers could not be had.
inline FramePtr BlankPicture(AVPixelFormat fmt, int w, int h) {
    FramePtr f(av_frame_alloc());
    f->format = fmt;
    f->width = w;
    f->height = h;
    if (av_frame_get_buffer(f.get(), 0) == 0) return f;
    ADD_FAILURE() << "no buffers for a " << w << "x" << h << " picture";
    return nullptr;
}

}  // namespace pelta::test
