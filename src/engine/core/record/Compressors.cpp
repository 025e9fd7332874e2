#include "engine/core/record/Compressors.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace pelta::engine::record {

namespace {

std::vector<CompressorInfo> Filter(std::initializer_list<CompressorInfo> wanted) {
    std::vector<CompressorInfo> out;
    for (const auto& c : wanted) {
        if (avcodec_find_encoder_by_name(c.EncoderName.c_str()) != nullptr) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

std::vector<CompressorInfo> AvailableVideoCompressors() {
    // Every one of these has an AVI tag and decodes in common players.
    return Filter({
        {"Motion JPEG", "mjpeg"},
        {"H.264 (x264)", "libx264"},
        {"MPEG-4 Part 2 (Xvid)", "libxvid"},
        {"MPEG-4 Part 2 (FFmpeg)", "mpeg4"},
        {"Microsoft MPEG-4 v3", "msmpeg4"},
        {"FFV1 lossless", "ffv1"},
        {"HuffYUV lossless", "huffyuv"},
    });
}

std::vector<CompressorInfo> AvailableAudioCompressors() {
    // All of these have WAVE format tags, so they fit both AVI and WAV files.
    return Filter({
        {"MP3 (LAME)", "libmp3lame"},
        {"PCM 16-bit", "pcm_s16le"},
        {"A-law", "pcm_alaw"},
        {"mu-law", "pcm_mulaw"},
        {"IMA ADPCM", "adpcm_ima_wav"},
        {"Microsoft ADPCM", "adpcm_ms"},
        {"AC-3", "ac3"},
        {"MP2", "mp2"},
    });
}

int32_t CompressorCatalogue::Count() const { return static_cast<int32_t>(entries_.size()); }

CompressorItem CompressorCatalogue::Item(int32_t index) const {
    if (index < 0 || index >= Count()) {
        throw EngineError("There is no compressor number " + std::to_string(index) + ".");
    }
    return CompressorItem{entries_[static_cast<size_t>(index)].DisplayName};
}

int32_t CompressorCatalogue::Selected() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

void CompressorCatalogue::SetSelected(int32_t index) {
    if (index < -1 || index >= Count()) {
        throw EngineError("There is no compressor number " + std::to_string(index) + ".");
    }
    std::lock_guard lock(mutex_);
    if (locked_ && index != selected_) {
        throw EngineError("The compressor cannot be changed while a capture is running.");
    }
    selected_ = index;
}

std::string CompressorCatalogue::SelectedEncoder(const std::string& fallback) const {
    std::lock_guard lock(mutex_);
    return selected_ < 0 ? fallback : entries_[static_cast<size_t>(selected_)].EncoderName;
}

void CompressorCatalogue::SetLocked(bool locked) {
    std::lock_guard lock(mutex_);
    locked_ = locked;
}

}  // namespace pelta::engine::record
