// The compressors this FFmpeg build offers for the files the engine writes, under the
// names users know them by. Index -1 ("No Recompression") means uncompressed video
// (raw BGR24) and 16-bit PCM sound.
#pragma once

#include "engine/core/EngineContract.h"

#include <mutex>
#include <string>
#include <vector>

namespace pelta::engine::record {

struct CompressorInfo {
    std::string DisplayName;
    std::string EncoderName;  // libavcodec encoder name
};

// Entries whose encoder exists in the linked libavcodec, in a fixed order.
std::vector<CompressorInfo> AvailableVideoCompressors();
std::vector<CompressorInfo> AvailableAudioCompressors();

// Encoders used for index -1 and for formats that demand a code.
inline constexpr const char* kRawVideoEncoder = "rawvideo";
inline constexpr const char* kPcmEncoder = "pcm_s16le";
inline constexpr const char* kMp3Encoder = "libmp3lame";

class CompressorCatalogue final : public CompressorList {
public:
    explicit CompressorCatalogue(std::vector<CompressorInfo> entries) : entries_(std::move(entries)) {}
    int32_t Count() const override;
    CompressorItem Item(int32_t index) const override;
    int32_t Selected() const override;
    void SetSelected(int32_t index) override;
    // The encoder for the selected entry, or `fallback` for -1.
    std::string SelectedEncoder(const std::string& fallback) const;
    void SetLocked(bool locked);  // while a capture runs the selection cannot change

private:
    std::vector<CompressorInfo> entries_;
    mutable std::mutex mutex_;
    int32_t selected_ = -1;
    bool locked_ = false;
};

}  // namespace pelta::engine::record
