// What the capture members and the writer thread of a capture share: the modes' kinds
// and the timing constants.
#pragma once

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

}  // namespace pelta::engine::record::session
