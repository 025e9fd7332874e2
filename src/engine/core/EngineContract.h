// The capture engine as the windows see it: code tables, list types, members and events.
// Plain C++ with no Qt, so the engine core and its fakes can be built and tested alone.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelta::engine {

// Capture modes (PrepareCapture, BeginCapture, ModeAvailable, ActiveMode).
namespace CaptureMode {
constexpr int32_t AnyVideoAudio = 0;          // only asked of ModeAvailable
constexpr int32_t VideoAndAudio = 1;
constexpr int32_t VideoOnly = 2;
constexpr int32_t AudioOnly = 3;
constexpr int32_t ManualFrames = 4;
constexpr int32_t AutoFrames = 5;
constexpr int32_t StillPicture = 6;
constexpr int32_t ManualFramesAudio = 7;
constexpr int32_t AutoFramesAudio = 8;
}  // namespace CaptureMode

// Property dialogs (OpenDialog, DialogAvailable).
namespace DialogId {
constexpr int32_t VideoFormat = 0;
constexpr int32_t VideoSource = 1;
constexpr int32_t VideoDisplay = 2;
constexpr int32_t AudioFormat = 3;
constexpr int32_t VideoCompressor = 14;
constexpr int32_t AudioCompressor = 15;
constexpr int32_t CaptureProperties = 16;
constexpr int32_t PreviewProperties = 18;
constexpr int32_t AudioProcessors = 19;
constexpr int32_t VideoProcessors = 20;
}  // namespace DialogId

// Output file formats (OutputFormat).
namespace OutputFormat {
constexpr int32_t Avi = 0;
constexpr int32_t Asf = 1;
constexpr int32_t Wave = 2;
constexpr int32_t Mpeg1Audio = 3;
constexpr int32_t Dicom = 4;
constexpr int32_t Dvsd = 5;
constexpr int32_t Mp3 = 6;
constexpr int32_t DvsdAvi = 7;
constexpr int32_t AsfCompressorMux = 8;
constexpr int32_t AsfMux = 9;
constexpr int32_t StillImage = 10;
constexpr int32_t Stream = 11;
// The name each code is shown and reported by; empty for a code that names no format.
inline const char* Name(int32_t code) {
    static constexpr const char* kNames[] = {"Avi",     "Asf",     "WAVE",     "MPEG1Audio",         "DICOM",
                                             "DVSD",    "MP3",     "DVSD Avi", "Asf Compressor Mux", "Asf Mux",
                                             "Still Image", "Stream"};
    return code >= 0 && code <= Stream ? kNames[code] : "";
}
}  // namespace OutputFormat

// EngineState values the windows rely on; the engine documents the rest.
namespace EngineStateCode {
constexpr int32_t NoFullScreen = 0;
constexpr int32_t Capturing = 4;
constexpr int32_t Busy = 5;
}  // namespace EngineStateCode

// Every failing engine call throws this; the text is meant for a message box.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& description) : std::runtime_error(description) {}
    std::string Description() const { return what(); }
};

struct DeviceItem {
    std::string DisplayName;
};
struct CompressorItem {
    std::string DisplayName;
};
struct RendererItem {
    std::string DisplayName;
};
struct SizeItem {
    int32_t Width = 0;
    int32_t Height = 0;
};

// One shape for all four lists. Item is 0-based; Selected -1 means none.
// Writing Selected may do real work (open a device) and may throw EngineError.
template <typename ItemT>
class EngineList {
public:
    virtual ~EngineList() = default;
    virtual int32_t Count() const = 0;
    virtual ItemT Item(int32_t index) const = 0;
    virtual int32_t Selected() const = 0;
    virtual void SetSelected(int32_t index) = 0;
};

using DeviceList = EngineList<DeviceItem>;
using CompressorList = EngineList<CompressorItem>;
using RendererList = EngineList<RendererItem>;
using SizeList = EngineList<SizeItem>;

// A picture handed to the clipboard: 32-bit BGRA rows, top row first.
struct StillPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Stride = 0;  // bytes per row
    std::vector<uint8_t> Pixels;
    bool IsNull() const { return Width <= 0 || Height <= 0 || Pixels.empty(); }
};

// Events, always delivered on the UI thread.
class EngineEvents {
public:
    virtual ~EngineEvents() = default;
    virtual void WindowKeyDown(int16_t& KeyCode, int16_t Shift) = 0;
    virtual void CaptureEnded() = 0;
    virtual void CaptureError(int32_t ErrorCode) = 0;
    virtual void CaptureProgress(int32_t Unused) = 0;
    // This engine's own: a device, capture size or source setting chosen is opened on the
    // engine's thread, and the answer comes here (on the UI thread) once it has. Empty words:
    // it opened; otherwise they say why it was refused, and the lists show again the choice
    // still in use.
    virtual void DevicesSettled(const std::string& refusal) { (void)refusal; }
};

// The members the program uses. Names follow the engine's own member names.
class CaptureEngineContract {
public:
    virtual ~CaptureEngineContract() = default;

    virtual void SetEventSink(EngineEvents* sink) = 0;

    // Captures
    virtual void PrepareCapture(int32_t Mode) = 0;
    virtual void BeginCapture(int32_t Mode) = 0;
    virtual void EndCapture() = 0;
    virtual void GrabFrame() = 0;
    virtual bool ModeAvailable(int32_t Mode) const = 0;
    virtual int32_t ActiveMode() const = 0;
    virtual int32_t EngineState() const = 0;
    virtual int32_t TargetState() const = 0;
    virtual void ResetOutput() = 0;

    virtual std::string CaptureFileName() const = 0;
    virtual void SetCaptureFileName(const std::string& path) = 0;
    virtual int32_t OutputFormat() const = 0;
    virtual void SetOutputFormat(int32_t code) = 0;
    virtual void ReserveCaptureFile(int32_t SizeMB) = 0;
    virtual void CopyCaptureTo(const std::string& FileName, bool Flag) = 0;
    virtual StillPicture StillPictureHandle() = 0;

    virtual bool TimeLimitOn() const = 0;
    virtual void SetTimeLimitOn(bool on) = 0;
    virtual double TimeLimitSeconds() const = 0;
    virtual void SetTimeLimitSeconds(double seconds) = 0;
    virtual bool FrameRateOn() const = 0;
    virtual void SetFrameRateOn(bool on) = 0;
    virtual double FrameRateValue() const = 0;
    virtual void SetFrameRateValue(double fps) = 0;
    virtual double FrameGapSeconds() const = 0;
    virtual void SetFrameGapSeconds(double seconds) = 0;
    virtual int32_t MasterStreamIndex() const = 0;
    virtual void SetMasterStreamIndex(int32_t index) = 0;

    // Counters of the running or last capture
    virtual int32_t FramesCaptured() const = 0;
    virtual int32_t FramesDropped() const = 0;
    virtual int32_t MeanFrameBytes() const = 0;
    // Every byte the last finished capture put in its file: pictures, sound, headers and
    // index. 0 while a capture runs or when the engine does not count them.
    virtual int64_t FileBytesWritten() const { return 0; }
    virtual double ElapsedSeconds() const = 0;
    // What the last CaptureError was about, in words: the file or device and what the
    // system said. Empty when the engine has nothing more to say than the code.
    virtual std::string LastErrorText() const { return {}; }

    // Lists
    virtual DeviceList& VideoInputs() = 0;
    virtual DeviceList& AudioInputs() = 0;
    virtual CompressorList& VideoCompressorList() = 0;
    virtual CompressorList& AudioCompressorList() = 0;
    virtual RendererList& AudioRendererList() = 0;
    virtual SizeList& VideoSizeList() = 0;

    // Preview
    virtual bool PreviewOn() const = 0;
    virtual void SetPreviewOn(bool on) = 0;
    virtual int32_t PreviewFit() const = 0;
    virtual void SetPreviewFit(int32_t fit) = 0;
    virtual int32_t PreviewInput() const = 0;
    virtual void SetPreviewInput(int32_t input) = 0;
    virtual int32_t PreviewTap() const = 0;
    virtual void SetPreviewTap(int32_t tap) = 0;
    virtual bool PreviewDuringProperties() const = 0;
    virtual void SetPreviewDuringProperties(bool on) = 0;
    virtual bool FullScreenOn() const = 0;
    virtual void FlipFullScreen() = 0;
    virtual float FullScreenMetric() const = 0;
    virtual bool CaptionsAvailable() const = 0;
    virtual bool CaptionsOn() const = 0;
    virtual void SetCaptionsOn(bool on) = 0;

    // Property dialogs; ParentWindow is the native id of the owning window.
    virtual bool DialogAvailable(int32_t DialogId) const = 0;
    virtual void OpenDialog(int32_t DialogId, uintptr_t ParentWindow) = 0;
};

}  // namespace pelta::engine
