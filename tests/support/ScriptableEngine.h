// A test double of the engine: scripted lists, states and failures; every call recorded.
#pragma once

#include "engine/EngineBinding.h"
#include "engine/core/EngineContract.h"

#include <QWidget>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pelta::test {

using namespace pelta::engine;

class ScriptableEngine;

// A list whose entries and selection the test sets. Reads and writes are recorded as
// "<ListName>.Count", "<ListName>.Item(i)", "<ListName>.Selected", "<ListName>.Selected=5".
template <typename ItemT>
class ScriptedList final : public EngineList<ItemT> {
public:
    ScriptedList(ScriptableEngine& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
    std::vector<ItemT> Items;
    int32_t Sel = -1;

    int32_t Count() const override;
    ItemT Item(int32_t index) const override;
    int32_t Selected() const override;
    void SetSelected(int32_t index) override;

private:
    ScriptableEngine& owner_;
    std::string name_;
};

class ScriptableEngine final : public QWidget, public CaptureEngineContract {
public:
    explicit ScriptableEngine(QWidget* parent = nullptr);

    // Script
    std::vector<std::string> Calls;                    // every member used, in order
    std::map<std::string, std::string> Failures;       // member name -> description it throws
    std::set<int32_t> AvailableModes;                  // ModeAvailable answers
    std::set<int32_t> AvailableDialogs;                // DialogAvailable answers
    int32_t State = 1, Target = 0, Active = 0;
    int32_t Captured = 0, Dropped = 0, FrameBytes = 0;
    int64_t FileBytes = 0;
    double Elapsed = 0;
    std::string ErrorText;  // LastErrorText
    bool FullScreen = false, CaptionsCanSwitch = false, Captions = false;
    float Metric = 1.0f;
    StillPicture Still;
    EngineEvents* Sink = nullptr;

    ScriptedList<DeviceItem> Video{*this, "VideoInputs"};
    ScriptedList<DeviceItem> Audio{*this, "AudioInputs"};
    ScriptedList<CompressorItem> VideoComp{*this, "VideoCompressorList"};
    ScriptedList<CompressorItem> AudioComp{*this, "AudioCompressorList"};
    ScriptedList<RendererItem> Renderers{*this, "AudioRendererList"};
    ScriptedList<SizeItem> Sizes{*this, "VideoSizeList"};
    // Sizes offered per video device index (applied when Video.Selected is written).
    std::map<int32_t, std::vector<SizeItem>> SizesByDevice;

    // Plain values, readable by tests after the windows wrote them.
    std::string FileName;
    int32_t Format = 0;
    bool LimitOn = false, RateOn = false, Preview = false, DuringProps = true;
    double LimitSeconds = 0, RateValue = 0, GapSeconds = 0;
    int32_t Master = -1, Fit = 0, Input = 0, Tap = 0;
    int32_t ReservedMB = -1;
    std::string CopiedTo;

    // Helpers
    void Record(const std::string& call) const;
    void MaybeFail(const std::string& member) const;  // throws when scripted to fail
    bool WasCalled(const std::string& call) const;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    void ClearCalls() { Calls.clear(); }

    // Raising events as the real engine would, on the UI thread.
    void RaiseProgress();
    void RaiseEnded();
    void RaiseError(int32_t code);
    void RaiseKeyDown(int16_t key, int16_t shift);

    // Contract
    void SetEventSink(EngineEvents* sink) override;
    void PrepareCapture(int32_t Mode) override;
    void BeginCapture(int32_t Mode) override;
    void EndCapture() override;
    void GrabFrame() override;
    bool ModeAvailable(int32_t Mode) const override;
    int32_t ActiveMode() const override;
    int32_t EngineState() const override;
    int32_t TargetState() const override;
    void ResetOutput() override;
    std::string CaptureFileName() const override;
    void SetCaptureFileName(const std::string& path) override;
    int32_t OutputFormat() const override;
    void SetOutputFormat(int32_t code) override;
    void ReserveCaptureFile(int32_t SizeMB) override;
    void CopyCaptureTo(const std::string& name, bool Flag) override;
    StillPicture StillPictureHandle() override;
    bool TimeLimitOn() const override;
    void SetTimeLimitOn(bool on) override;
    double TimeLimitSeconds() const override;
    void SetTimeLimitSeconds(double s) override;
    bool FrameRateOn() const override;
    void SetFrameRateOn(bool on) override;
    double FrameRateValue() const override;
    void SetFrameRateValue(double v) override;
    double FrameGapSeconds() const override;
    void SetFrameGapSeconds(double s) override;
    int32_t MasterStreamIndex() const override;
    void SetMasterStreamIndex(int32_t i) override;
    int32_t FramesCaptured() const override;
    int32_t FramesDropped() const override;
    int32_t MeanFrameBytes() const override;
    int64_t FileBytesWritten() const override;
    double ElapsedSeconds() const override;
    std::string LastErrorText() const override;
    DeviceList& VideoInputs() override;
    DeviceList& AudioInputs() override;
    CompressorList& VideoCompressorList() override;
    CompressorList& AudioCompressorList() override;
    RendererList& AudioRendererList() override;
    SizeList& VideoSizeList() override;
    bool PreviewOn() const override;
    void SetPreviewOn(bool on) override;
    int32_t PreviewFit() const override;
    void SetPreviewFit(int32_t f) override;
    int32_t PreviewInput() const override;
    void SetPreviewInput(int32_t i) override;
    int32_t PreviewTap() const override;
    void SetPreviewTap(int32_t t) override;
    bool PreviewDuringProperties() const override;
    void SetPreviewDuringProperties(bool on) override;
    bool FullScreenOn() const override;
    void FlipFullScreen() override;
    float FullScreenMetric() const override;
    bool CaptionsAvailable() const override;
    bool CaptionsOn() const override;
    void SetCaptionsOn(bool on) override;
    bool DialogAvailable(int32_t id) const override;
    void OpenDialog(int32_t id, uintptr_t parent) override;

private:
    mutable std::vector<std::string>* calls_ = &Calls;
};

// A factory for MainFrm that builds a ScriptableEngine and reports it through `out`.
EngineFactory ScriptableFactory(ScriptableEngine** out, std::function<void(ScriptableEngine&)> script = {});

}  // namespace pelta::test
