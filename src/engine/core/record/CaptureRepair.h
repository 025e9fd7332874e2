// Repairs a capture file whose writer was cut off (killed, crashed, power lost): an AVI
// gets its index back (idx1, or the OpenDML indexes of its last RIFF) and true sizes and
// frame counts; a WAV gets sizes that cover all its sound. The repaired file is written
// beside the original, read back with libavformat, and only then put in its place, in one
// rename; whatever fails or is killed on the way, the original stays as it was.
#pragma once

#include <functional>
#include <string>

namespace pelta::engine::record {

struct RepairResult {
    enum class Outcome { NotNeeded, Repaired, Failed };
    Outcome Result = Outcome::Failed;
    double Seconds = 0;  // what the file holds (read back), when repaired
    std::string Why;     // when it failed
};

// `beforePlacing` is called with the new file's path once it is written and read back,
// before it replaces the original (tests stop a repair there).
RepairResult RepairCapture(const std::string& path,
                           const std::function<void(const std::string&)>& beforePlacing = {});

}  // namespace pelta::engine::record
