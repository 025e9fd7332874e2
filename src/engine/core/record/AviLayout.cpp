#include "engine/core/record/AviLayout.h"

#include <algorithm>
#include <cstring>

namespace pelta::engine::record {

namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// "00dc", "01wb" ...: the stream number, or -1.
int DataChunkStream(const uint8_t* id) {
    if (!IsDigit(id[0]) || !IsDigit(id[1])) return -1;
    const char a = char(id[2]), b = char(id[3]);
    const bool known = (a == 'd' && (b == 'c' || b == 'b')) || (a == 'w' && b == 'b') || (a == 'p' && b == 'c');
    return known ? (id[0] - '0') * 10 + (id[1] - '0') : -1;
}

}  // namespace

bool AviLayout::Scan(const Reader& read, int64_t fileEnd) {
    uint8_t h[12];
    if (!started_) {
        if (fileEnd < 12 || !read(0, h, 12) || std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "AVI ", 4) != 0)
            return false;
        started_ = true;
    }
    for (;;) {
        if (pos_ + 8 > fileEnd || !read(pos_, h, 8)) break;
        const uint32_t id = Le32(h);
        const uint32_t size = Le32(h + 4);
        if (id == FourCC("RIFF") || id == FourCC("LIST")) {
            if (pos_ + 12 > fileEnd || !read(pos_ + 8, h + 8, 4)) break;
            const uint32_t type = Le32(h + 8);
            if (id == FourCC("RIFF")) {
                if (type != FourCC("AVI ") && type != FourCC("AVIX")) break;
                riffs_.push_back(AviRiff{pos_, size, -1, pos_ + 12, false, 0});
                pos_ += 12;  // into it
                continue;
            }
            if (type == FourCC("movi") && !riffs_.empty()) {
                riffs_.back().MoviAt = pos_;
                riffs_.back().DataEnd = pos_ + 12;
                valid_ = true;  // the header was read whole
                pos_ += 12;
                continue;
            }
            if (type == FourCC("hdrl") || type == FourCC("strl") || type == FourCC("odml")) {
                pos_ += 12;
                continue;
            }
            // Any other list (INFO, rec): passed over whole.
        } else if (riffs_.empty()) {
            break;
        }
        const int64_t next = pos_ + 8 + size + (size & 1);
        if (next > fileEnd) break;  // cut off by the end of the file (for now)
        const int stream = DataChunkStream(h);
        uint8_t d[56] = {};
        const size_t want = std::min<size_t>(size, sizeof d);
        if (stream >= 0) {
            if (stream < int(streams_.size())) {
                AviStream& s = streams_[size_t(stream)];
                ++s.Chunks;
                s.Bytes += size;
                AviRiff& r = riffs_.back();
                if (s.Video) ++r.VideoChunks;
                r.DataEnd = pos_ + 8 + size + (size & 1);
                if (keepChunks_) chunks_.push_back(AviChunk{pos_, size, stream, int(riffs_.size()) - 1});
            }
        } else if (id == FourCC("avih")) {
            avihFramesAt_ = pos_ + 8 + 16;
        } else if (id == FourCC("strh") && want >= 48 && read(pos_ + 8, d, want)) {
            AviStream s;
            s.Video = Le32(d) == FourCC("vids");
            s.SampleSize = Le32(d + 44);
            s.LengthAt = pos_ + 8 + 32;
            streams_.push_back(s);
        } else if (id == FourCC("strf") && !streams_.empty() && streams_.back().Video && want >= 20 &&
                   read(pos_ + 8, d, want)) {
            streams_.back().Codec = Le32(d + 16);
        } else if ((id == FourCC("JUNK") || id == FourCC("indx")) && want >= 12 && read(pos_ + 8, d, want)) {
            if (std::memcmp(d, "odml", 4) == 0 && std::memcmp(d + 4, "dmlh", 4) == 0) {
                odmlAt_ = pos_;
                dmlhFramesAt_ = pos_ + 8 + 12;
            } else if (!streams_.empty() && riffs_.back().MoviAt < 0 && d[0] == 4 && d[3] == 0 &&
                       DataChunkStream(d + 8) == int(streams_.size()) - 1) {
                streams_.back().SuperIndexAt = pos_;  // an OpenDML super index (or its place)
            }
        } else if (id == FourCC("idx1") || (h[0] == 'i' && h[1] == 'x' && IsDigit(h[2]) && IsDigit(h[3]))) {
            if (!riffs_.empty()) riffs_.back().HasIndex = true;
        }
        pos_ = next;
    }
    return valid_;
}

std::vector<std::pair<int64_t, uint32_t>> AviLayout::LengthFields() const {
    std::vector<std::pair<int64_t, uint32_t>> f;
    if (!valid_ || riffs_.empty()) return f;
    const AviRiff& last = riffs_.back();
    if (!last.HasIndex && last.MoviAt >= 0) {
        f.emplace_back(last.At + 4, uint32_t(last.DataEnd - last.At - 8));
        f.emplace_back(last.MoviAt + 4, uint32_t(last.DataEnd - last.MoviAt - 8));
    }
    int64_t frames = 0;
    for (const AviStream& s : streams_) {
        if (s.LengthAt >= 0) f.emplace_back(s.LengthAt, uint32_t(s.Length()));
        if (s.Video) frames = std::max(frames, s.Chunks);
    }
    if (avihFramesAt_ >= 0) f.emplace_back(avihFramesAt_, uint32_t(riffs_.size() > 1 ? riffs_[0].VideoChunks : frames));
    if (riffs_.size() > 1 && odmlAt_ >= 0) {
        f.emplace_back(odmlAt_, FourCC("LIST"));  // the OpenDML header in use
        f.emplace_back(dmlhFramesAt_, uint32_t(frames));
    }
    return f;
}

bool AviLayout::Finished(int64_t fileSize) const {
    if (!valid_ || riffs_.empty() || !riffs_.back().HasIndex) return false;
    for (const AviRiff& r : riffs_)
        if (r.SizeField == 0xFFFFFFFFu || r.At + 8 + int64_t(r.SizeField) > fileSize) return false;
    return true;
}

bool AviLayout::IsKeyFrame(uint32_t codec, const uint8_t* data, size_t size) {
    if (size == 0) return false;
    const auto find = [&](auto test) {
        for (size_t i = 0; i + 4 < size; ++i)
            if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && test(data[i + 3], i + 4)) return true;
        return false;
    };
    switch (codec) {
    case FourCC("H264"): case FourCC("h264"): case FourCC("X264"): case FourCC("x264"): case FourCC("avc1"):
        return find([&](uint8_t nal, size_t) { return (nal & 0x1F) == 5; });  // an IDR picture
    case FourCC("FMP4"): case FourCC("XVID"): case FourCC("xvid"): case FourCC("DIVX"): case FourCC("DX50"):
    case FourCC("MP4V"): case FourCC("mp4v"):
        return find([&](uint8_t code, size_t at) { return code == 0xB6 && at < size && (data[at] >> 6) == 0; });
    default:
        return true;  // intra-only: Motion JPEG, FFV1, HuffYUV, uncompressed
    }
}

}  // namespace pelta::engine::record
