// Disk and file helpers shared by the capture dialogs and the automatic naming: the
// free-space and existing-size figures of a capture file, a drive's free space, a file
// test, a path splitter, a NUL cutter, a file's size, and releasing the engine's output.
// Sizes and free space are 64-bit throughout, so files of 2 GiB or more and disks with
// more than 2 TB free show their true figures.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;

namespace pelta {

struct SaveFileRequest;

namespace engine {
class CaptureEngineContract;
}

// Values of nSpaceDialog: which dialog shows the disk-space figures.
namespace SpaceDialog {
constexpr int16_t AllocCapFile = 1;
constexpr int16_t CapVidAud = 2;  // also any value other than 1
}  // namespace SpaceDialog

// A dialog hands over its free-space label and size box while it is loaded (nullptrs
// withdraw them). `dialog` is a SpaceDialog value.
void SetDiskSpaceTargets(int16_t dialog, QLabel* lblFreeDiskSpace, QLineEdit* edtCapFileSize);

// Fills the free-space label (free MB, counting the space the existing file would give
// back) and the size box (the existing file's whole MB) of the dialog chosen by
// nSpaceDialog. Returns the free MB shown, 0 when the free space is unknown.
int64_t UpdateDiskSpace(const QString& Path);

// Free kilobytes on the filesystem holding `Path` (its nearest existing folder), or -1.
int64_t GetFreeDiskSpaceKB(const QString& Path);

// Replaces the filesystem query behind GetFreeDiskSpaceKB (tests); empty restores it.
using FreeSpaceSource = std::function<int64_t(const QString& absolutePath)>;
void SetFreeSpaceSource(FreeSpaceSource source);

// True when the file can be measured and is not empty; its length goes to lFileLength.
bool FileExists(const QString& Path);

// Path becomes the file-name part of the given path; Ext the text after the name's last
// dot (empty without one); Folder the leading folder with its trailing separator;
// sFileTitle the name without the dot and extension.
void SplitPath(QString& Path, QString& Ext, QString& Folder);

// Text cut before its first NUL character.
QString StripNull(const QString& Text);

// Size of a file in bytes; 0 when it cannot be opened for reading.
int64_t GetSize(const QString& FileName);

// Has the engine let go of its output before the file type changes.
void ReleaseTarget(engine::CaptureEngineContract& engine);

// The capture dialogs' Browse button: asks for a file, starting at the engine's capture
// file, and puts the choice into `box` with its disk-space figures. A cancelled chooser
// changes nothing; a failure is reported on `request.Owner`.
void BrowseForCaptureFile(engine::CaptureEngineContract& engine, SaveFileRequest request, QLineEdit* box);

// A readable message when `Path` is too long for the system to open (a name of more than
// 255 bytes, or a whole path of more than 4095), else empty.
QString PathTooLongText(const QString& Path);

}  // namespace pelta
