// The automatic capture name: "Auto-" and a running number in the automatic folder, with
// the date when asked.
#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace pelta {

// The largest number a name can carry (the counter is 16 bits wide).
constexpr int kAutoCountLimit = 32767;

struct AutoName {
    QString Path;      // full path of the next capture
    int Number = 0;    // the number used
};

// Finds the next free name after `lastNumber`. A number is taken when its undated name
// exists with content, and, with the date on, also when its dated name for `today` does,
// so a new capture never overwrites one made earlier the same day. With `claim`, the name
// is claimed as it is chosen (see ClaimAutoName); a name another copy of the program
// claimed first is passed over. nullopt when every number up to the limit is taken.
std::optional<AutoName> NextAutoName(const QString& folder, const QString& ext, bool addDate, const QDate& today,
                                     int lastNumber, const std::function<bool(const QString&)>& exists,
                                     const std::function<bool(const QString&)>& claim = {});

// Claims an automatic name for this program's next capture: the file is created at once
// (or an empty leftover taken that no running copy holds) and held until the capture
// that writes it ends. False when it is taken (true when the folder cannot be written:
// the capture then says why).
bool ClaimAutoName(const QString& path);
// Gives up a claimed name that no capture used; its empty file goes again.
void ReleaseAutoName(const QString& path);

// The folder automatic captures go to: the stored one, or the user's videos folder
// (created when missing) when none is chosen.
QString AutoCaptureFolder(const QString& stored);

// The extension of an automatic capture in `mode`: a capture with video is always an AVI
// file; a sound-only one takes the stored extension when it names a file type the program
// writes (".avi", ".wav", ".mp3"), else ".avi".
QString AutoCaptureExt(int mode, const QString& storedExt);
// The output format code for a capture file named with `path`'s extension (AVI by default),
// so that what is in an automatic capture matches its name.
int32_t OutputFormatForName(const QString& path);

// "12-07-2026" for 7 December 2026.
QString AutoNameDate(const QDate& day);

}  // namespace pelta
