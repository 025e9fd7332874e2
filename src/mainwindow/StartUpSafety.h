// What the program does for its capture files before and around its windows: survive a
// file-size limit from the first line on, repair captures that an earlier run left
// unfinished, and finish a running capture when the program must exit at once (its
// display connection died).
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace pelta {

// First thing in main: writing past the session's file-size limit (a capture, or the sound
// server's shared memory that libpulse sizes at 64 MiB) fails with an error the program
// reports, instead of killing it with SIGXFSZ.
void IgnoreFileSizeLimitSignal();

// Once QApplication exists: keeps the journal of running captures beside the settings,
// finishes running captures when the program exits from under its windows (Qt exits when
// the display connection breaks), and repairs what an earlier run left unfinished, telling
// the user in one message (or on standard error, for a capture started without a person).
enum class RepairReport { MessageBox, StandardError };
void LookAfterCaptureFiles(QWidget* parent = nullptr, RepairReport report = RepairReport::MessageBox);

// The repairs of the captures the journal names as cut off, one line of text for the user
// each (empty when nothing needed repair). Each file is repaired beside itself and then put
// in its place; one that cannot be repaired stays as it was.
QStringList RepairInterruptedCaptures();

}  // namespace pelta
