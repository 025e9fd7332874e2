// The capture file under the muxer: a custom AVIOContext over a plain descriptor, so the
// writer knows exactly why a write failed (disk full or otherwise), keeps disk space
// allocated ahead of the data (room for the trailer when the disk fills up), and cuts the
// file to the real length at the end (a reserved file is written from its start).
#pragma once

#include <cstdint>
#include <string>

struct AVIOContext;

namespace pelta::engine::record {

class FileSink {
public:
    enum class Failure { None, DiskFull, WriteFailed };

    FileSink() = default;
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Opens (creates) the file. `keepAllocation`: do not truncate (a reserved file).
    // Returns an empty string or a description of the failure.
    std::string Open(const std::string& path, bool keepAllocation);
    AVIOContext* Avio() const { return avio_; }

    // Space kept allocated beyond the data; the trailer must fit in it.
    void SetHeadroom(int64_t bytes) { headroom_ = bytes; }
    // True once allocating ahead failed: stop feeding frames and finish the file.
    bool NearlyFull() const { return nearlyFull_; }
    Failure LastFailure() const { return failure_; }
    int LastErrno() const { return errno_; }
    int64_t BytesWritten() const { return highWater_; }

    // Flushes the AVIO buffer to the kernel (survives a killed process).
    void Flush();
    // Flushes, cuts the file to the data written and closes it.
    void Close();

private:
    static int WritePacket(void* opaque, uint8_t* buf, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);
    bool EnsureAllocated(int64_t end);

    int fd_ = -1;
    AVIOContext* avio_ = nullptr;
    int64_t pos_ = 0;
    int64_t highWater_ = 0;
    int64_t allocated_ = 0;  // bytes known to be allocated on disk from the start
    int64_t headroom_ = 4 << 20;
    bool canAllocate_ = true;
    bool nearlyFull_ = false;
    Failure failure_ = Failure::None;
    int errno_ = 0;
};

// ~/Videos (the XDG videos folder) + "/capture.avi"; the folder is created when missing.
std::string DefaultCaptureFileName();

// Pre-allocates `path` to `megabytes` MiB. Throws EngineError (with the reason) when the
// space is not there; the file is then left as it was.
void ReserveFile(const std::string& path, int64_t megabytes);

// Copies `from` to `to` through a temporary file in the target folder and a rename, so a
// failed copy leaves nothing behind. Throws EngineError.
void CopyWhole(const std::string& from, const std::string& to);

}  // namespace pelta::engine::record
