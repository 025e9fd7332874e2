// Scaffolding only: the capture commands replace this file.
#include "mainwindow/CaptureCommands.h"

namespace pelta {

CaptureCommands::CaptureCommands(MainFrm& main) : main_(main) {}
void CaptureCommands::ConnectCommands() {}
void CaptureCommands::CaptureMenuOpening() {}
void CaptureCommands::ConfirmAndCapture(int16_t&) {}
void CaptureCommands::DoCaptureAuto(int16_t&) {}
void CaptureCommands::VideoAndAudioCaptures() {}
void CaptureCommands::ManualFrameSequence() {}
void CaptureCommands::AutomaticFrameSequence() {}
void CaptureCommands::ManualFrameAudioSequence() {}
void CaptureCommands::AutomaticFrameAudioSequence() {}
void CaptureCommands::StillPicture() {}
void CaptureCommands::MinimizeOnCapture() {}
void CaptureCommands::StopCapture() {}

}  // namespace pelta
