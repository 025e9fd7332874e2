// Small files replaced in one step: the settings store and the engine profile both keep
// per-user text files that a crash, a full disk or a symbolic link must never tear or
// redirect. No Qt, so the engine core and the windows share one implementation.
#pragma once

#include <string>
#include <string_view>

namespace pelta::files {

enum class ReadResult { Missing, Read, Unreadable };

// Reads the whole file (following a symbolic link, as any reader would).
ReadResult ReadWholeFile(const std::string& path, std::string& bytes);

// A replacement written to a temporary file beside `path` and renamed over it by Commit.
// The rename replaces whatever `path` names itself: a symbolic link there is replaced by the
// new file and its target is left as it was. Without Commit the temporary file is removed.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the folder if needed and writes `bytes` to disk (synced). False with `why` set
    // when any part fails; nothing at `path` has changed then.
    bool Write(const std::string& path, std::string_view bytes, std::string& why);
    // Renames the written file over `path` and syncs the folder.
    bool Commit(std::string& why);

private:
    std::string path_;
    std::string temp_;
};

// Write and Commit in one call.
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& why);

// Writes `bytes` to a file that must not exist yet (a symbolic link there counts as existing,
// so nothing is ever written through one). Synced; a partial file is removed.
bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& why);

// Keeps `bytes` (a damaged file's content) as "<path>.damaged-<yyyyMMdd>-<hhmmss>[-n]", a
// new real file, never a rename or link of the damaged one. Returns the name used, empty on
// failure with `why` set.
std::string KeepDamagedCopy(const std::string& path, std::string_view bytes, std::string& why);

}  // namespace pelta::files
