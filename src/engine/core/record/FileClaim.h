// Capture file names claimed by this process. A name is claimed the moment it is chosen:
// the file is created exclusively (or an empty one is taken that no running copy of the
// program holds) and an exclusive lock (flock) on it is held until the capture that writes
// it closes the file. Every copy of the program honours that lock, so two copies never
// write one file.
#pragma once

#include <string>

namespace pelta::engine::record {

enum class ClaimResult {
    Claimed,  // ours now: created, or an empty leftover that nobody holds
    Taken,    // the file holds data, or another capture holds it
    Failed,   // the folder cannot be written (the reason in `why`)
};

// Claims `path` (see above). Claiming a name this process already holds succeeds again.
ClaimResult ClaimFile(const std::string& path, std::string* why = nullptr);

// Gives up a claim that no capture used: the empty file it made goes again.
void ReleaseClaim(const std::string& path);

// Hands the claimed file's descriptor (open for writing, locked) to the caller, who then
// owns it; -1 when `path` is not claimed by this process.
int TakeClaim(const std::string& path);

// Locks an open capture file for writing: false when another capture (of this or another
// copy of the program) holds it.
bool LockForWriting(int fd);

}  // namespace pelta::engine::record
