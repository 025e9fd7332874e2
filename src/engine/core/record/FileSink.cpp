#include "engine/core/record/FileSink.h"

#include "engine/core/EngineContract.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

namespace pelta::engine::record {

namespace fs = std::filesystem;

namespace {
constexpr int kAvioBufferSize = 64 * 1024;
constexpr int64_t kAllocateStep = 8 << 20;
}  // namespace

FileSink::~FileSink() { Close(); }

std::string FileSink::Open(const std::string& path, bool keepAllocation) {
    Close();
    failure_ = Failure::None;
    nearlyFull_ = false;
    pos_ = highWater_ = 0;
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (keepAllocation ? 0 : O_TRUNC);
    fd_ = ::open(path.c_str(), flags, 0644);
    if (fd_ < 0) {
        return std::strerror(errno);
    }
    struct stat st {};
    allocated_ = (keepAllocation && ::fstat(fd_, &st) == 0) ? st.st_size : 0;
    canAllocate_ = true;
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

bool FileSink::EnsureAllocated(int64_t end) {
    if (!canAllocate_ || end + headroom_ <= allocated_) {
        return true;
    }
    int64_t want = ((end + headroom_) / kAllocateStep + 1) * kAllocateStep;
    // KEEP_SIZE: the blocks are ours but the file does not look longer if we are killed.
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, allocated_, want - allocated_) == 0) {
        allocated_ = want;
        return true;
    }
    if (errno == EOPNOTSUPP || errno == ENOSYS) {
        canAllocate_ = false;  // this filesystem cannot; plain writes report ENOSPC
        return true;
    }
    if (errno == ENOSPC) {
        nearlyFull_ = true;  // the headroom already allocated still takes the trailer
        return true;
    }
    return true;
}

int FileSink::WritePacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<FileSink*>(opaque);
    if (self->failure_ != Failure::None) {
        return AVERROR(self->errno_);
    }
    self->EnsureAllocated(self->pos_ + size);
    int done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(self->fd_, buf + done, static_cast<size_t>(size - done), self->pos_ + done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            self->errno_ = errno;
            self->failure_ = (errno == ENOSPC || errno == EDQUOT) ? Failure::DiskFull : Failure::WriteFailed;
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

void FileSink::Flush() {
    if (avio_ != nullptr) {
        avio_flush(avio_);
    }
}

void FileSink::Close() {
    if (avio_ != nullptr) {
        avio_flush(avio_);
        av_freep(&avio_->buffer);
        avio_context_free(&avio_);
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

std::string DefaultCaptureFileName() {
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
    return (videos / "capture.avi").string();
}

void ReserveFile(const std::string& path, int64_t megabytes) {
    if (megabytes < 0) {
        throw EngineError("The capture file size cannot be negative.");
    }
    if (path.empty()) {
        throw EngineError("No capture file is named.");
    }
    std::error_code ec;
    const bool existed = fs::exists(path, ec);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw EngineError("Cannot create the capture file " + path + ": " + std::strerror(errno) + ".");
    }
    struct stat st {};
    ::fstat(fd, &st);
    const off_t before = st.st_size;
    const off_t want = static_cast<off_t>(megabytes) * 1048576;
    int rc = want > 0 ? ::posix_fallocate(fd, 0, want) : 0;
    if (rc == 0 && want > 0 && want < before) {
        rc = ::ftruncate(fd, want) == 0 ? 0 : errno;
    }
    if (rc != 0) {
        if (::ftruncate(fd, before) != 0) {
            // nothing more to do: the error below is what the caller needs
        }
        ::close(fd);
        if (!existed) {
            ::unlink(path.c_str());
        }
        if (rc == ENOSPC) {
            throw EngineError("There is not enough free disk space to reserve " + std::to_string(megabytes) +
                              " MB for " + path + ".");
        }
        throw EngineError("Cannot reserve " + std::to_string(megabytes) + " MB for " + path + ": " +
                          std::strerror(rc) + ".");
    }
    ::close(fd);
}

void CopyWhole(const std::string& from, const std::string& to) {
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
