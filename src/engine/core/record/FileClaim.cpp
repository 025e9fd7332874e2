#include "engine/core/record/FileClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

namespace pelta::engine::record {

namespace {

std::mutex gMutex;
std::map<std::string, int>& Claims() {  // under gMutex: path -> locked descriptor (never destroyed)
    static auto* claims = new std::map<std::string, int>();
    return *claims;
}

std::string Key(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : abs).lexically_normal().string();
}

}  // namespace

bool LockForWriting(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

ClaimResult ClaimFile(const std::string& path, std::string* why) {
    const std::string key = Key(path);
    std::lock_guard lock(gMutex);
    if (Claims().count(key) != 0) return ClaimResult::Claimed;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) {
        // A leftover empty file may be used again, but only when no running capture holds it.
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        struct stat st {}, byName {};
        if (fd < 0) return ClaimResult::Taken;
        // Locked, empty, and still the file of that name (not one a copy unlinked meanwhile).
        if (!LockForWriting(fd) || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0 ||
            ::stat(path.c_str(), &byName) != 0 || byName.st_ino != st.st_ino || byName.st_dev != st.st_dev) {
            ::close(fd);
            return ClaimResult::Taken;
        }
        Claims()[key] = fd;
        return ClaimResult::Claimed;
    }
    if (fd < 0) {
        if (why != nullptr) *why = std::strerror(errno);
        return ClaimResult::Failed;
    }
    if (!LockForWriting(fd)) {  // another copy took the new file between create and lock
        ::close(fd);
        return ClaimResult::Taken;
    }
    Claims()[key] = fd;
    return ClaimResult::Claimed;
}

void ReleaseClaim(const std::string& path) {
    std::lock_guard lock(gMutex);
    const auto it = Claims().find(Key(path));
    if (it == Claims().end()) return;
    struct stat st {};
    // Still empty and still the file we hold: it goes (unlinked while locked, so no other
    // copy can have taken it in between).
    struct stat byName {};
    if (::fstat(it->second, &st) == 0 && st.st_size == 0 && ::stat(path.c_str(), &byName) == 0 &&
        byName.st_ino == st.st_ino && byName.st_dev == st.st_dev) {
        ::unlink(path.c_str());
    }
    ::close(it->second);
    Claims().erase(it);
}

int TakeClaim(const std::string& path) {
    std::lock_guard lock(gMutex);
    const auto it = Claims().find(Key(path));
    if (it == Claims().end()) return -1;
    const int fd = it->second;
    Claims().erase(it);
    return fd;
}

}  // namespace pelta::engine::record
