#include "engine/core/record/CaptureRepair.h"

#include "engine/core/record/AviLayout.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

namespace pelta::engine::record {

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put64(Bytes& b, uint64_t v) {
    Put32(b, uint32_t(v));
    Put32(b, uint32_t(v >> 32));
}
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// The new file beside the original: written, patched, read back, then renamed over it.
class NewFile {
public:
    explicit NewFile(const std::string& original) {
        const fs::path p(original);
        path_ = (p.parent_path() / ("." + p.filename().string() + ".repair-XXXXXX")).string();
        fd_ = ::mkstemp(path_.data());
    }
    ~NewFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!placed_) ::unlink(path_.c_str());
    }
    bool Ok() const { return fd_ >= 0 && ok_; }
    const std::string& Path() const { return path_; }
    int64_t Size() const { return size_; }

    bool CopyFrom(int in, int64_t length) {
        std::vector<uint8_t> buf(1 << 20);
        for (int64_t done = 0; done < length && ok_;) {
            const ssize_t n = ::pread(in, buf.data(), size_t(std::min<int64_t>(length - done, int64_t(buf.size()))), done);
            if (n <= 0) return ok_ = false;
            Append(buf.data(), size_t(n));
            done += n;
        }
        return ok_;
    }
    void Append(const void* data, size_t size) {
        if (ok_) ok_ = ::pwrite(fd_, data, size, size_) == ssize_t(size);
        size_ += int64_t(size);
    }
    void Append(const Bytes& b) { Append(b.data(), b.size()); }
    void Patch(int64_t at, uint32_t value) {
        uint8_t f[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        if (ok_) ok_ = ::pwrite(fd_, f, 4, at) == 4;
    }
    bool Close(mode_t mode) {
        if (ok_) ok_ = ::fchmod(fd_, mode & 07777) == 0 && ::fsync(fd_) == 0;
        if (::close(fd_) != 0) ok_ = false;
        fd_ = -1;
        return ok_;
    }
    bool PlaceOver(const std::string& original) {
        if (::rename(path_.c_str(), original.c_str()) != 0) return false;
        placed_ = true;
        const std::string dir = fs::path(original).parent_path().string();
        const int d = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (d >= 0) {
            ::fsync(d);
            ::close(d);
        }
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
    int64_t size_ = 0;
    bool ok_ = true;
    bool placed_ = false;
};

// Reads the new file back: every packet to the end, `payload` bytes of them, and a length.
bool ReadBack(const std::string& path, int64_t payload, double& seconds, std::string& why) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        why = "the repaired file cannot be opened";
        return false;
    }
    bool ok = avformat_find_stream_info(fmt, nullptr) >= 0;
    int64_t read = 0;
    int rc = 0;
    AVPacket* pkt = av_packet_alloc();
    while (ok && (rc = av_read_frame(fmt, pkt)) >= 0) {
        read += pkt->size;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    seconds = fmt->duration > 0 ? double(fmt->duration) / AV_TIME_BASE : 0;
    avformat_close_input(&fmt);
    if (!ok || rc != AVERROR_EOF || read != payload || seconds <= 0) {
        why = "the repaired file does not read back whole";
        return false;
    }
    return true;
}

RepairResult Failed(const std::string& why) { return RepairResult{RepairResult::Outcome::Failed, 0, why}; }

// Writes the repaired AVI: the complete chunks, true lengths, and the index of the last RIFF.
bool WriteAvi(int in, const AviLayout& layout, NewFile& out, int64_t& payload) {
    const AviRiff& last = layout.Riffs().back();
    if (!out.CopyFrom(in, last.DataEnd)) return false;
    for (const auto& [at, value] : layout.LengthFields()) out.Patch(at, value);
    payload = 0;
    std::vector<const AviChunk*> chunks;  // the last RIFF's
    for (const AviChunk& c : layout.Chunks()) {
        payload += c.Size;
        if (c.Riff == int(layout.Riffs().size()) - 1) chunks.push_back(&c);
    }
    const auto id = [&](const AviChunk& c) {
        uint8_t b[4] = {};
        return ::pread(in, b, 4, c.At) == 4 ? Get32(b) : 0u;
    };
    const auto key = [&](const AviChunk& c) {
        const AviStream& s = layout.Streams()[size_t(c.Stream)];
        if (!s.Video) return true;
        std::vector<uint8_t> head(std::min<size_t>(c.Size, 8192));
        return ::pread(in, head.data(), head.size(), c.At + 8) == ssize_t(head.size()) &&
               AviLayout::IsKeyFrame(s.Codec, head.data(), head.size());
    };
    if (layout.Riffs().size() == 1) {
        // An AVI 1.0 index after the movi list, offsets from its "movi".
        Bytes idx;
        Put32(idx, FourCC("idx1"));
        Put32(idx, uint32_t(16 * chunks.size()));
        for (const AviChunk* c : chunks) {
            Put32(idx, id(*c));
            Put32(idx, key(*c) ? 0x10 : 0);
            Put32(idx, uint32_t(c->At - (last.MoviAt + 8)));
            Put32(idx, c->Size);
        }
        out.Append(idx);
        out.Patch(last.At + 4, uint32_t(out.Size() - last.At - 8));
        return out.Ok();
    }
    // OpenDML: a standard index per stream at the end of the last movi list, and its entry in
    // the stream's super index.
    const int riff = int(layout.Riffs().size()) - 1;
    for (size_t s = 0; s < layout.Streams().size(); ++s) {
        const AviStream& st = layout.Streams()[s];
        if (st.SuperIndexAt < 0) continue;
        std::vector<const AviChunk*> own;
        int64_t bytes = 0;
        for (const AviChunk* c : chunks)
            if (c->Stream == int(s)) {
                own.push_back(c);
                bytes += c->Size;
            }
        const int64_t ixAt = out.Size();
        const uint64_t base = uint64_t(last.MoviAt + 8);
        Bytes ix;
        for (const uint8_t c : {uint8_t('i'), uint8_t('x'), uint8_t('0' + s / 10), uint8_t('0' + s % 10)}) ix.push_back(c);
        Put32(ix, uint32_t(24 + 8 * own.size()));
        Put16(ix, 2);
        ix.push_back(0);
        ix.push_back(1);
        Put32(ix, uint32_t(own.size()));
        Put32(ix, own.empty() ? 0 : id(*own.front()));
        Put64(ix, base);
        Put32(ix, 0);
        for (const AviChunk* c : own) {
            Put32(ix, uint32_t(uint64_t(c->At + 8) - base));
            Put32(ix, c->Size | (key(*c) ? 0 : 0x80000000u));
        }
        out.Append(ix);
        // The super index: "indx", entries in use, and this RIFF's entry.
        out.Patch(st.SuperIndexAt, FourCC("indx"));
        out.Patch(st.SuperIndexAt + 8 + 4, uint32_t(riff + 1));
        const int64_t entry = st.SuperIndexAt + 8 + 24 + 16 * int64_t(riff);
        out.Patch(entry, uint32_t(ixAt));
        out.Patch(entry + 4, uint32_t(uint64_t(ixAt) >> 32));
        out.Patch(entry + 8, uint32_t(out.Size() - ixAt));
        out.Patch(entry + 12, uint32_t(st.SampleSize > 0 ? bytes / st.SampleSize : int64_t(own.size())));
    }
    out.Patch(last.MoviAt + 4, uint32_t(out.Size() - last.MoviAt - 8));
    out.Patch(last.At + 4, uint32_t(out.Size() - last.At - 8));
    return out.Ok();
}

// A WAV's header states a length that a flush kept true; what came after it is added.
struct WavFields {
    int64_t dataStart = -1, dataSizeAt = -1, factAt = -1;
    uint32_t dataSize = 0, riffSize = 0, blockAlign = 1;
    uint16_t formatTag = 0;
};

bool ReadWav(int in, int64_t size, WavFields& w) {
    uint8_t h[12];
    if (size < 12 || ::pread(in, h, 12, 0) != 12 || std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0)
        return false;
    w.riffSize = Get32(h + 4);
    for (int64_t at = 12; at + 8 <= size;) {
        uint8_t c[24] = {};
        if (::pread(in, c, 8, at) != 8) return false;
        const uint32_t len = Get32(c + 4);
        if (std::memcmp(c, "fmt ", 4) == 0 && len >= 16 && ::pread(in, c + 8, 16, at + 8) == 16) {
            w.formatTag = uint16_t(c[8] | c[9] << 8);
            w.blockAlign = std::max<uint32_t>(uint32_t(c[20] | c[21] << 8), 1);
        } else if (std::memcmp(c, "fact", 4) == 0) {
            w.factAt = at + 8;
        } else if (std::memcmp(c, "data", 4) == 0) {
            w.dataSizeAt = at + 4;
            w.dataStart = at + 8;
            w.dataSize = len;
            return true;
        }
        at += 8 + len + (len & 1);
    }
    return false;
}

// What an earlier repair of `path` left when it was killed.
void RemoveKilledRepairs(const std::string& path) {
    const fs::path p(path);
    const std::string prefix = "." + p.filename().string() + ".repair-";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(p.has_parent_path() ? p.parent_path() : fs::path("."), ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) fs::remove(e.path(), ec);
    }
}

}  // namespace

RepairResult RepairCapture(const std::string& path, const std::function<void(const std::string&)>& beforePlacing) {
    RemoveKilledRepairs(path);
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Failed(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{in};
    struct stat st {};
    if (::fstat(in, &st) != 0) return Failed(std::strerror(errno));
    const int64_t size = st.st_size;

    AviLayout avi;
    const bool isAvi = avi.Scan([in](int64_t at, void* d, size_t n) { return ::pread(in, d, n, at) == ssize_t(n); }, size);
    WavFields wav;
    const bool isWav = !isAvi && ReadWav(in, size, wav);
    if (!isAvi && !isWav) {
        uint8_t h[4] = {};
        if (::pread(in, h, 4, 0) == 4 && std::memcmp(h, "RIFF", 4) == 0) return Failed("its header is cut off");
        return RepairResult{RepairResult::Outcome::NotNeeded, 0, {}};  // MP3: frames stand on their own
    }
    if (isAvi && (avi.Finished(size) || avi.Riffs().empty())) return RepairResult{RepairResult::Outcome::NotNeeded, 0, {}};
    const int64_t wavData = isWav ? (size - wav.dataStart) / wav.blockAlign * wav.blockAlign : 0;
    if (isWav && wav.dataSize == wavData && wav.riffSize == uint32_t(wav.dataStart + wavData - 8))
        return RepairResult{RepairResult::Outcome::NotNeeded, 0, {}};

    NewFile out(path);
    if (!out.Ok()) return Failed(std::strerror(errno));
    int64_t payload = 0;
    if (isAvi) {
        if (!WriteAvi(in, avi, out, payload)) return Failed("the repaired file cannot be written");
    } else {
        if (wavData > UINT32_MAX - wav.dataStart) return Failed("it is too long for a WAV file");
        out.CopyFrom(in, wav.dataStart + wavData);
        out.Patch(4, uint32_t(wav.dataStart + wavData - 8));
        out.Patch(wav.dataSizeAt, uint32_t(wavData));
        if (wav.factAt >= 0 && (wav.formatTag == 1 || wav.formatTag == 3)) out.Patch(wav.factAt, uint32_t(wavData / wav.blockAlign));
        payload = wavData;
        if (!out.Ok()) return Failed("the repaired file cannot be written");
    }
    if (!out.Close(st.st_mode)) return Failed("the repaired file cannot be written");
    RepairResult result{RepairResult::Outcome::Repaired, 0, {}};
    if (!ReadBack(out.Path(), payload, result.Seconds, result.Why)) return Failed(result.Why);
    if (beforePlacing) beforePlacing(out.Path());
    if (!out.PlaceOver(path)) return Failed(std::strerror(errno));
    return result;
}

}  // namespace pelta::engine::record
