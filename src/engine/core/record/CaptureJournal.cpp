#include "engine/core/record/CaptureJournal.h"

#include "engine/core/record/FileClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace pelta::engine::record {

namespace fs = std::filesystem;

namespace {
std::mutex gMutex;
std::string& Folder() {  // under gMutex; never destroyed (captures may end in an exit handler)
    static auto* folder = new std::string();
    return *folder;
}
constexpr const char* kSuffix = ".capture";
}  // namespace

void SetJournalFolder(const std::string& folder) {
    std::lock_guard lock(gMutex);
    Folder() = folder;
}

JournalEntry::JournalEntry(std::string entry, std::string file, int fd)
    : entry_(std::move(entry)), file_(std::move(file)), fd_(fd) {}

JournalEntry::~JournalEntry() {
    ::unlink(entry_.c_str());  // while still locked: nobody takes it for abandoned
    ::close(fd_);
}

std::unique_ptr<JournalEntry> JournalEntry::Begin(const std::string& file) {
    std::string folder;
    {
        std::lock_guard lock(gMutex);
        folder = Folder();
    }
    if (folder.empty()) return nullptr;
    std::error_code ec;
    fs::create_directories(folder, ec);
    static std::atomic<int> serial{0};
    const std::string entry =
        (fs::path(folder) / (std::to_string(::getpid()) + "-" + std::to_string(++serial) + kSuffix)).string();
    const int fd = ::open(entry.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    if (!LockForWriting(fd)) {
        ::close(fd);
        return nullptr;
    }
    const std::string abs = fs::absolute(file, ec).string();
    const std::string text = (ec ? file : abs) + "\n";
    if (::write(fd, text.data(), text.size()) != ssize_t(text.size()) || ::fsync(fd) != 0) {
        ::unlink(entry.c_str());
        ::close(fd);
        return nullptr;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);  // the entry survives a power cut
        ::close(dir);
    }
    return std::unique_ptr<JournalEntry>(new JournalEntry(entry, file, fd));
}

std::vector<std::unique_ptr<JournalEntry>> JournalEntry::Abandoned() {
    std::vector<std::unique_ptr<JournalEntry>> found;
    std::string folder;
    {
        std::lock_guard lock(gMutex);
        folder = Folder();
    }
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return found;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string entry = e.path().string();
        if (e.path().extension() != kSuffix) continue;
        const int fd = ::open(entry.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) continue;
        if (!LockForWriting(fd) || !fs::exists(entry)) {  // its capture runs (or it just ended)
            ::close(fd);
            continue;
        }
        std::string text(4096, '\0');
        const ssize_t n = ::pread(fd, text.data(), text.size(), 0);
        text.resize(n > 0 ? size_t(n) : 0);
        const auto end = text.find('\n');
        const std::string file = end == std::string::npos ? std::string() : text.substr(0, end);
        found.push_back(std::unique_ptr<JournalEntry>(new JournalEntry(entry, file, fd)));
    }
    return found;
}

}  // namespace pelta::engine::record
