// The chunk layout of an AVI file, read back from the file itself: where the header's
// length fields are and every complete data chunk, RIFF by RIFF (OpenDML files have one
// "AVI " RIFF and then "AVIX" ones). The walk needs no container sizes, so it reads a file
// whose capture was cut off (sizes still unset) up to its last complete chunk, and it
// resumes where it stopped when the file has grown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelta::engine::record {

struct AviStream {
    bool Video = false;
    uint32_t Codec = 0;         // the video's compression fourcc (strf), 0 for sound
    uint32_t SampleSize = 0;    // strh dwSampleSize: a sound stream's length counts bytes / this
    int64_t LengthAt = -1;      // strh dwLength
    int64_t SuperIndexAt = -1;  // the OpenDML super index ("indx", or "JUNK" while unused)
    int64_t Chunks = 0;         // data chunks so far (empty video chunks too)
    int64_t Bytes = 0;
    // The stream's length as the header states it: chunks, or bytes / sample size.
    int64_t Length() const { return SampleSize > 0 ? Bytes / SampleSize : Chunks; }
};

struct AviChunk {
    int64_t At = 0;     // the chunk's id
    uint32_t Size = 0;  // its data
    int Stream = 0;
    int Riff = 0;
};

struct AviRiff {
    int64_t At = 0;       // "RIFF"
    uint32_t SizeField = 0;
    int64_t MoviAt = -1;  // "LIST" of its movi list
    int64_t DataEnd = 0;  // where its last complete data chunk ends
    bool HasIndex = false;  // idx1, or ix## chunks
    int64_t VideoChunks = 0;
};

class AviLayout {
public:
    using Reader = std::function<bool(int64_t at, void* data, size_t size)>;
    // `keepChunks`: list every data chunk (for an index); else only count them.
    explicit AviLayout(bool keepChunks = true) : keepChunks_(keepChunks) {}

    // Walks on from where the last call stopped, up to `fileEnd`. False when the file is no
    // AVI (or its header is cut off).
    bool Scan(const Reader& read, int64_t fileEnd);

    bool Valid() const { return valid_; }
    int64_t End() const { return pos_; }  // after the last complete chunk
    const std::vector<AviStream>& Streams() const { return streams_; }
    const std::vector<AviRiff>& Riffs() const { return riffs_; }
    const std::vector<AviChunk>& Chunks() const { return chunks_; }
    int64_t TotalFramesAt() const { return avihFramesAt_; }
    int64_t OdmlAt() const { return odmlAt_; }  // "JUNK" or "LIST" of the OpenDML header

    // The header fields that state lengths, as (offset, value) pairs, for a file that ends
    // at End(): RIFF and movi sizes of the last RIFF (when it is still open), the frame
    // counts and the streams' lengths.
    std::vector<std::pair<int64_t, uint32_t>> LengthFields() const;
    // A file its writer finished: every RIFF's size is set and the last one is indexed.
    bool Finished(int64_t fileSize) const;
    // A chunk holds a picture that decodes on its own.
    static bool IsKeyFrame(uint32_t codec, const uint8_t* data, size_t size);

private:
    bool keepChunks_;
    bool valid_ = false;
    bool started_ = false;
    int64_t pos_ = 0;
    int64_t avihFramesAt_ = -1;
    int64_t odmlAt_ = -1;
    int64_t dmlhFramesAt_ = -1;
    std::vector<AviStream> streams_;
    std::vector<AviRiff> riffs_;
    std::vector<AviChunk> chunks_;
};

// Four characters as the little-endian number a RIFF file stores.
constexpr uint32_t FourCC(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

}  // namespace pelta::engine::record
