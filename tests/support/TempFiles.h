// A private settings folder, environment entries put back, sized files and small disks for
// tests that touch the disk and the environment.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/mount.h>

namespace pelta::test {

// Sets (or, with nullopt, removes) an environment entry for the life of the object, then
// puts back what was there before.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* before = std::getenv(name)) before_ = before;
        Set(value);
    }
    ~ScopedEnv() { Set(before_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value) setenv(name_.c_str(), value->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    std::string name_;
    std::optional<std::string> before_;
};

// Points the settings store at a fresh, empty folder for the life of the object.
struct TempConfigHome {
    TempConfigHome() { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    QString path() const { return dir.path(); }
    QTemporaryDir dir;
};

// Creates (or truncates) `path` to `size` bytes, sparse where the filesystem allows.
inline bool WriteFileOfSize(const QString& path, qint64 size = 1) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}

// All of a file's bytes ("" when it cannot be read), and a file made to hold `text` alone.
inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void WriteFileText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A small filesystem of its own, `size` like "12m" or "64k": tmpfs (which pre-allocates) or
// an ext2 image (which cannot), mounted on a fresh folder or over `at`. Unmounted (and the
// image removed) at the end; `mounted` is false where this machine does not allow it.
class SmallDisk {
public:
    enum Kind { Tmpfs, Ext2 };
    explicit SmallDisk(const std::string& size, Kind kind = Tmpfs, const std::string& at = {})
        : at_(at.empty() ? dir_.path().toStdString() : at) {
        if (kind == Tmpfs) {
            mounted = mount("tmpfs", at_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
        } else {
            image_ = at_ + ".img";
            const std::string cmd = "truncate -s " + size + " " + image_ + " && mkfs.ext2 -q -F " + image_ +
                                    " && mount -o loop " + image_ + " " + at_ + " 2>/dev/null";
            mounted = std::system(cmd.c_str()) == 0;
        }
    }
    ~SmallDisk() {
        if (mounted) umount2(at_.c_str(), MNT_DETACH);
        if (!image_.empty()) std::remove(image_.c_str());
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    const std::string& Folder() const { return at_; }
    std::filesystem::path Path(const char* name) const { return std::filesystem::path(at_) / name; }
    int64_t Capacity() const { return int64_t(std::filesystem::space(at_).capacity); }

    bool mounted = false;

private:
    QTemporaryDir dir_;
    std::string at_, image_;
};

}  // namespace pelta::test
