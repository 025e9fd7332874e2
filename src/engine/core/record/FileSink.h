// The capture file under the muxer: a custom AVIOContext over a plain descriptor, so the
// writer knows exactly why a write failed (disk full, size limit or otherwise), keeps back
// the space that finishing the file needs (allocated ahead where the filesystem can, else
// watched through its free space), and cuts the file to the real length at the end (a
// reserved file is written from its start).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

struct AVIOContext;

namespace pelta::engine::record {

class FileSink {
public:
    enum class Failure { None, DiskFull, WriteFailed };
    // Why the writer must finish the file now, while the space kept back still takes the rest.
    enum class Stop { None, DiskFull, SizeLimit };

    FileSink() = default;
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Opens (creates) the file, taking over this process's claim on it (FileClaim.h) or
    // locking it; fails when another capture holds it. `keepAllocation`: do not truncate
    // (our own reserved file).
    // `reserveBytes`: space to set aside from the start. Returns an empty string or a
    // description of the failure.
    std::string Open(const std::string& path, bool keepAllocation, int64_t reserveBytes = 0);
    AVIOContext* Avio() const { return avio_; }

    // Space that finishing the file still needs beyond the data; kept back from the disk
    // (and from the file-size limit) at every write.
    void SetHeadroom(int64_t bytes) { headroom_ = std::max<int64_t>(bytes, 0); }
    Stop StopReason() const { return stop_; }
    Failure LastFailure() const { return failure_; }
    int LastErrno() const { return errno_; }
    int64_t BytesWritten() const { return highWater_; }
    // "the file size limit of this session, N MB, was reached"
    std::string SizeLimitText() const;

    // Flushes the AVIO buffer to the kernel (survives a killed process).
    void Flush();
    // Rewrites bytes that are already in the file (header fields), beside the muxer.
    // Call after Flush.
    bool PatchAt(int64_t offset, const void* data, size_t size);
    bool ReadAt(int64_t offset, void* data, size_t size) const;
    // Flushes, cuts the file to the data written and closes it.
    void Close();

private:
    static int WritePacket(void* opaque, uint8_t* buf, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);
    void KeepBack(int64_t end);

    int fd_ = -1;
    mutable int readFd_ = -1;  // for ReadAt: the file is opened write-only
    AVIOContext* avio_ = nullptr;
    int64_t pos_ = 0;
    int64_t highWater_ = 0;
    int64_t allocated_ = 0;  // bytes known to be allocated on disk from the start
    int64_t headroom_ = 0;
    int64_t sizeLimit_ = INT64_MAX;  // the process's file-size limit
    bool canAllocate_ = true;
    Stop stop_ = Stop::None;
    Failure failure_ = Failure::None;
    int errno_ = 0;
};

// The user's videos folder (XDG_VIDEOS_DIR of user-dirs.dirs, else ~/Videos), created when
// missing.
std::string VideosFolder();
// VideosFolder() + "/capture.avi".
std::string DefaultCaptureFileName();

// Writing past the file-size limit fails with EFBIG instead of killing the process.
void IgnoreFileSizeSignal();

// Sets aside `bytes` for a capture into `path`. A file that does not exist yet is created
// and allocated (returns true: the caller owns it and removes it if it goes unused); an
// existing file is never changed, only the free space is checked (returns false), and the
// capture allocates when it starts. Throws EngineError (with the reason) when the space
// is not there; nothing is then left behind.
bool ReserveFile(const std::string& path, int64_t bytes);

// Copies `from` to `to` through a temporary file in the target folder and a rename, so a
// failed copy leaves nothing behind. Throws EngineError.
void CopyWhole(const std::string& from, const std::string& to);

}  // namespace pelta::engine::record
