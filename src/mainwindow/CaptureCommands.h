// The Capture menu: its opening rules and commands, and the two procedures that start
// captures for other windows (ConfirmAndCapture, DoCaptureAuto).
#pragma once

#include <cstdint>

namespace pelta {

class MainFrm;

class CaptureCommands {
public:
    explicit CaptureCommands(MainFrm& main);

    void ConnectCommands();   // wires the Capture menu (call once)
    void CaptureMenuOpening();

    void ConfirmAndCapture(int16_t& mode);
    void DoCaptureAuto(int16_t& nMode);

    void VideoAndAudioCaptures();
    void ManualFrameSequence();
    void AutomaticFrameSequence();
    void ManualFrameAudioSequence();
    void AutomaticFrameAudioSequence();
    void StillPicture();
    void MinimizeOnCapture();
    void StopCapture();

private:
    // Points the engine at an AVI file before a frame sequence.
    // False when the user keeps a capture the sequence's AVI would replace.
    bool SequenceIntoAvi();

    MainFrm& main_;
};

}  // namespace pelta
