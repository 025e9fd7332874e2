// Codes raised with the CaptureError event. Keep in step with docs/engine-recording.md.
#pragma once

#include <cstdint>

namespace pelta::engine::record {

enum class CaptureErrorCode : int32_t {
    CannotCreateFile = 1,  // the output file could not be opened or its header written
    DiskFull = 2,          // no space left for the file (the capture is finished up to there)
    WriteFailed = 3,       // any other write error (I/O error, file size limit)
    DeviceLost = 4,        // a device stopped delivering during the capture
    EncoderFailed = 5,     // an encoder or the muxer refused a frame
    OutOfMemory = 6,       // a frame could not be copied or converted
};

inline int32_t Code(CaptureErrorCode c) { return static_cast<int32_t>(c); }

}  // namespace pelta::engine::record
