#include "engine/core/record/FileSink.h"

#include "engine/core/EngineContract.h"
#include "engine/core/record/FileClaim.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>

namespace pelta::engine::record {

namespace fs = std::filesystem;

namespace {
constexpr int kAvioBufferSize = 64 * 1024;
constexpr int64_t kAllocateStep = 8 << 20;     // allocated ahead while space is plenty
constexpr int64_t kSmallestStep = 64 << 10;    // ... and in steps down to this as it runs short

int64_t RoundUp(int64_t v, int64_t step) { return (v + step - 1) / step * step; }

int64_t FileSizeLimit() {
    struct rlimit rl {};
    if (::getrlimit(RLIMIT_FSIZE, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return INT64_MAX;
    return rl.rlim_cur > static_cast<rlim_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(rl.rlim_cur);
}
}  // namespace

void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = SIG_IGN;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGXFSZ, &sa, nullptr);
    });
}

FileSink::~FileSink() { Close(); }

std::string FileSink::Open(const std::string& path, bool keepAllocation, int64_t reserveBytes) {
    Close();
    IgnoreFileSizeSignal();
    failure_ = Failure::None;
    stop_ = Stop::None;
    pos_ = highWater_ = 0;
    // A name claimed when it was chosen comes with its file open and locked; any other is
    // locked here before anything in it changes, so no two captures write one file.
    fd_ = TakeClaim(path);
    if (fd_ < 0) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            return std::strerror(errno);
        }
        if (!LockForWriting(fd_)) {
            ::close(fd_);
            fd_ = -1;
            return "another capture is writing this file";
        }
    }
    if (!keepAllocation && ::ftruncate(fd_, 0) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        return std::strerror(err);
    }
    struct stat st {};
    allocated_ = (keepAllocation && ::fstat(fd_, &st) == 0) ? st.st_size : 0;
    sizeLimit_ = FileSizeLimit();
    canAllocate_ = true;
    reserveBytes = std::min(reserveBytes, sizeLimit_);
    if (reserveBytes > allocated_ &&
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, allocated_, reserveBytes - allocated_) == 0) {
        allocated_ = reserveBytes;  // a reservation made before the capture: set aside now
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kAvioBufferSize));
    avio_ = avio_alloc_context(buffer, kAvioBufferSize, 1, this, nullptr, &FileSink::WritePacket, &FileSink::Seek);
    if (avio_ == nullptr) {
        av_free(buffer);
        ::close(fd_);
        fd_ = -1;
        return "out of memory";
    }
    avio_->seekable = AVIO_SEEKABLE_NORMAL;
    return {};
}

// Called before each write that reaches `end`: makes sure the disk still has room for the
// data and for what finishing the file needs after it. When it has not, the writer is told
// to finish; the space kept back then takes the rest.
void FileSink::KeepBack(int64_t end) {
    const int64_t need = end + headroom_;
    auto stopFor = [this](Stop why) {
        if (stop_ == Stop::None) stop_ = why;  // the first reason is the one reported
    };
    if (need > sizeLimit_) {
        stopFor(Stop::SizeLimit);
    }
    if (canAllocate_) {
        if (need <= allocated_) {
            return;
        }
        // Large steps while there is room, exactly what is needed when there is not.
        for (int64_t target : {RoundUp(need, kAllocateStep), RoundUp(need, kSmallestStep)}) {
            target = std::min(target, sizeLimit_);
            if (target <= allocated_) {
                return;
            }
            // KEEP_SIZE: the blocks are ours but the file does not look longer if we are killed.
            if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, allocated_, target - allocated_) == 0) {
                allocated_ = target;
                if (target < need) stopFor(Stop::SizeLimit);
                return;
            }
            if (errno == EOPNOTSUPP || errno == ENOSYS) {
                canAllocate_ = false;  // this filesystem cannot: watch its free space instead
                break;
            }
            if (errno == EFBIG) {
                stopFor(Stop::SizeLimit);
                return;
            }
            if (errno != ENOSPC && errno != EDQUOT) {
                return;  // the write itself will say what is wrong
            }
        }
        if (canAllocate_) {
            stopFor(Stop::DiskFull);  // what is allocated already takes the end of the file
            return;
        }
    }
    // Without pre-allocation the filesystem's free space must hold what is still to come,
    // with a little over for its own bookkeeping (block maps grow with the file).
    struct statvfs vfs {};
    if (::fstatvfs(fd_, &vfs) != 0) {
        return;
    }
    const int64_t available = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
    const int64_t toCome = std::max<int64_t>(need - highWater_, 0);
    if (toCome + toCome / 64 + kSmallestStep > available) {
        stopFor(Stop::DiskFull);
    }
}

int FileSink::WritePacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<FileSink*>(opaque);
    if (self->failure_ != Failure::None) {
        return AVERROR(self->errno_);
    }
    self->KeepBack(self->pos_ + size);
    int done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(self->fd_, buf + done, static_cast<size_t>(size - done), self->pos_ + done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            self->errno_ = errno;
            self->failure_ = (errno == ENOSPC || errno == EDQUOT) ? Failure::DiskFull : Failure::WriteFailed;
            if (errno == EFBIG && self->stop_ == Stop::None) self->stop_ = Stop::SizeLimit;
            return AVERROR(self->errno_);
        }
        done += static_cast<int>(n);
    }
    self->pos_ += size;
    self->highWater_ = std::max(self->highWater_, self->pos_);
    return size;
}

int64_t FileSink::Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<FileSink*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        self->pos_ = offset;
        return self->pos_;
    case SEEK_CUR:
        self->pos_ += offset;
        return self->pos_;
    case SEEK_END:
        self->pos_ = self->highWater_ + offset;
        return self->pos_;
    case AVSEEK_SIZE:
        return self->highWater_;
    default:
        return AVERROR(EINVAL);
    }
}

std::string FileSink::SizeLimitText() const {
    const int64_t limit = sizeLimit_ == INT64_MAX ? FileSizeLimit() : sizeLimit_;
    return "the file size limit of this session, " + std::to_string(limit / 1048576) + " MB, was reached";
}

void FileSink::Flush() {
    if (avio_ != nullptr) {
        avio_flush(avio_);
    }
}

bool FileSink::PatchAt(int64_t offset, const void* data, size_t size) {
    if (fd_ < 0 || failure_ != Failure::None || offset < 0 || offset + static_cast<int64_t>(size) > highWater_) {
        return false;
    }
    return ::pwrite(fd_, data, size, offset) == static_cast<ssize_t>(size);
}

bool FileSink::ReadAt(int64_t offset, void* data, size_t size) const {
    if (fd_ < 0) {
        return false;
    }
    // Opened write-only: read through a second descriptor of the same file.
    if (readFd_ < 0) {
        readFd_ = ::open(("/proc/self/fd/" + std::to_string(fd_)).c_str(), O_RDONLY | O_CLOEXEC);
    }
    return readFd_ >= 0 && ::pread(readFd_, data, size, offset) == static_cast<ssize_t>(size);
}

void FileSink::Close() {
    if (avio_ != nullptr) {
        avio_flush(avio_);
        av_freep(&avio_->buffer);
        avio_context_free(&avio_);
    }
    if (readFd_ >= 0) {
        ::close(readFd_);
        readFd_ = -1;
    }
    if (fd_ >= 0) {
        // Drops a reservation's unused tail and the blocks allocated ahead.
        if (::ftruncate(fd_, highWater_) != 0 && failure_ == Failure::None) {
            errno_ = errno;
            failure_ = Failure::WriteFailed;
        }
        ::close(fd_);
        fd_ = -1;
    }
}

std::string VideosFolder() {
    const char* home = std::getenv("HOME");
    fs::path homeDir = home != nullptr ? home : "/tmp";
    fs::path videos = homeDir / "Videos";
    // The XDG user-dirs file names the videos folder, as "$HOME/..." or an absolute path.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    fs::path dirsFile = (config != nullptr && *config != 0 ? fs::path(config) : homeDir / ".config") / "user-dirs.dirs";
    std::ifstream in(dirsFile);
    std::string line;
    static const std::regex entry(R"(^\s*XDG_VIDEOS_DIR\s*=\s*"([^"]*)\")");
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, entry)) {
            std::string value = m[1];
            if (value.rfind("$HOME", 0) == 0) {
                value = homeDir.string() + value.substr(5);
            }
            if (!value.empty() && value[0] == '/') {
                videos = value;
            }
        }
    }
    std::error_code ec;
    fs::create_directories(videos, ec);
    return videos.string();
}

std::string DefaultCaptureFileName() { return (fs::path(VideosFolder()) / "capture.avi").string(); }

bool ReserveFile(const std::string& path, int64_t bytes) {
    if (bytes < 0) {
        throw EngineError("The capture file size cannot be negative.");
    }
    if (path.empty()) {
        throw EngineError("No capture file is named.");
    }
    IgnoreFileSizeSignal();
    const std::string mb = std::to_string(bytes / 1048576);
    auto noSpace = [&] {
        return EngineError("There is not enough free disk space to reserve " + mb + " MB for " + path + ".");
    };
    if (bytes > FileSizeLimit()) {
        throw EngineError("Cannot reserve " + mb + " MB for " + path + ": it is more than the file size limit.");
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // Whatever the file holds stays as it is until the capture starts.
        struct statvfs vfs {};
        if (::statvfs(path.c_str(), &vfs) == 0 &&
            static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize) + st.st_size < bytes) {
            throw noSpace();
        }
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw EngineError("Cannot create the capture file " + path + ": " + std::strerror(errno) + ".");
    }
    const int rc = bytes > 0 ? ::posix_fallocate(fd, 0, bytes) : 0;
    ::close(fd);
    if (rc != 0) {
        ::unlink(path.c_str());
        if (rc == ENOSPC || rc == EDQUOT) {
            throw noSpace();
        }
        throw EngineError("Cannot reserve " + mb + " MB for " + path + ": " + std::strerror(rc) + ".");
    }
    return true;
}

void CopyWhole(const std::string& from, const std::string& to) {
    IgnoreFileSizeSignal();
    if (to.empty()) {
        throw EngineError("No file name was given to copy the capture to.");
    }
    if (from.empty() || !fs::is_regular_file(from)) {
        throw EngineError("There is no captured file to copy.");
    }
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) {
        return;  // already there
    }
    fs::path target(to);
    fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    int out = ::mkstemp(tmpl.data());
    if (out < 0) {
        throw EngineError("Cannot write " + to + ": " + std::strerror(errno) + ".");
    }
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    auto fail = [&](int err) {
        if (in >= 0) {
            ::close(in);
        }
        ::close(out);
        ::unlink(tmpl.c_str());
        throw EngineError("Cannot copy the capture to " + to + ": " + std::strerror(err) + ".");
    };
    if (in < 0) {
        fail(errno);
    }
    std::vector<char> buf(1 << 20);
    for (;;) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno);
        }
        if (n == 0) {
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                fail(errno);
            }
            done += w;
        }
    }
    if (::fsync(out) != 0 || ::fchmod(out, 0644) != 0) {
        fail(errno);
    }
    ::close(in);
    in = -1;
    if (::close(out) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw EngineError("Cannot copy the capture to " + to + ": " + std::strerror(err) + ".");
    }
    if (::rename(tmpl.c_str(), to.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw EngineError("Cannot copy the capture to " + to + ": " + std::strerror(err) + ".");
    }
}

}  // namespace pelta::engine::record
