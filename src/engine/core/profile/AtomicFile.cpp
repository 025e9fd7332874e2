#include "engine/core/profile/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pelta::files {

namespace {

std::string Why(const std::string& path, int error) { return path + ": " + std::strerror(error); }

// Writes everything and syncs it; returns 0 or the errno that stopped it.
int WriteAllAndSync(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

std::string FolderOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// 0, or the errno of the failure (EEXIST when the name is taken).
int CreateExclusive(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int error = WriteAllAndSync(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(path.c_str());
    return error;
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            bytes.clear();
            return ReadResult::Unreadable;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadResult::Read;
}

PendingFile::~PendingFile() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool PendingFile::Write(const std::string& path, std::string_view bytes, std::string& why) {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    path_ = path;
    const std::string folder = FolderOf(path);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        why = folder + ": " + ec.message();
        return false;
    }
    std::string name = folder + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        why = Why(folder, errno);
        return false;
    }
    temp_ = name;
    // The replacement keeps the permissions of the file it replaces (of a link's target);
    // a new file is private to its user, as mkstemp made it.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    int error = WriteAllAndSync(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        why = Why(path, error);
        ::unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    return true;
}

bool PendingFile::Commit(std::string& why) {
    if (temp_.empty()) {
        why = path_ + ": nothing was written";
        return false;
    }
    // rename() acts on the name itself: a symbolic link at path_ is replaced, not followed.
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        why = Why(path_, errno);
        ::unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    temp_.clear();
    SyncFolder(FolderOf(path_));
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& why) {
    PendingFile file;
    return file.Write(path, bytes, why) && file.Commit(why);
}

bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& why) {
    const int error = CreateExclusive(path, bytes);
    if (error != 0) why = Why(path, error);
    return error == 0;
}

std::string KeepDamagedCopy(const std::string& path, std::string_view bytes, std::string& why) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + ".damaged-" + stamp;
    for (int n = 0; n < 1000; ++n) {
        const std::string target = n == 0 ? base : base + "-" + std::to_string(n);
        const int error = CreateExclusive(target, bytes);
        if (error == 0) return target;
        if (error != EEXIST) {
            why = Why(target, error);
            return {};
        }
    }
    why = base + ": too many damaged copies";
    return {};
}

}  // namespace pelta::files
