// What the capture members and the writer thread of a capture share: the modes' kinds
// and the timing constants.
#pragma once

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace pelta::engine::record::session {

using Clock = std::chrono::steady_clock;

inline bool ModeHasVideo(int32_t m) { return m == 1 || m == 2 || m == 4 || m == 5 || m == 7 || m == 8; }
inline bool ModeHasAudio(int32_t m) { return m == 1 || m == 3 || m == 7 || m == 8; }
inline bool ModeIsSequence(int32_t m) { return m == 4 || m == 5 || m == 7 || m == 8; }
inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline constexpr double kDriftTolerance = 0.1;  // sound that follows the video clock may lag this much
// Sound that follows the video clock is held back this long before it is encoded, so that
// what ran ahead can still be dropped, and cut at the video's end.
inline constexpr double kFollowHoldback = 2 * kDriftTolerance;

// The prepared pictures waiting for the encoder take at most this much memory: the queue's
// length (`VideoFrames`) is cut for large pictures (a 3840x2160 4:2:0 picture is 12 MB), to
// no fewer than two. 1080p keeps the eight of the default.
inline constexpr int64_t kVideoQueueBytes = 32 << 20;
inline int VideoQueueLimit(int videoFrames, AVPixelFormat fmt, int width, int height) {
    const int bytes = av_image_get_buffer_size(fmt, width, height, 1);
    const int64_t fit = bytes > 0 ? kVideoQueueBytes / bytes : videoFrames;
    return static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(fit, videoFrames), std::min(videoFrames, 2), videoFrames));
}

}  // namespace pelta::engine::record::session
