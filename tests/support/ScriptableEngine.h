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
    std::set<std::string> CalledBusy;                  // those used while the busy pointer showed
    std::map<std::string, std::string> Failures;       // member name -> description it throws
    std::set<int32_t> AvailableModes;                  // ModeAvailable answers
    std::set<int32_t> AvailableDialogs;                // DialogAvailable answers
    int32_t State = 1, Target = 0, Active = 0;
    int32_t Captured = 0, Dropped = 0, FrameBytes = 0;
    int64_t FileBytes = 0;
    double Elapsed = 0;
    std::string ErrorText;  // LastErrorText
    bool FullScreen = false, CaptionsCanSwitch = false, Captions = false;
    bool FinishesLater = false;  // EndCapture leaves the capture running until FinishNow
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

    // Helpers
    void Record(const std::string& call) const;
    void MaybeFail(const std::string& member) const;  // throws when scripted to fail
    // Records `call` and throws when Failures names `member` (the call itself by default).
    void Call(const std::string& call, const std::string& member = {}) const {
        Record(call);
        MaybeFail(member.empty() ? call : member);
    }
    bool WasCalled(const std::string& call) const;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    void ClearCalls() {
        Calls.clear();
        CalledBusy.clear();
    }

    // Raising events as the real engine would, on the UI thread.
    void RaiseProgress() { if (Sink) Sink->CaptureProgress(0); }
    void RaiseEnded() { if (Sink) Sink->CaptureEnded(); }
    // The file a stopped capture was finishing is whole: the engine says the capture ended.
    void FinishNow() {
        State = 1;
        RaiseEnded();
    }
    void RaiseError(int32_t code) { if (Sink) Sink->CaptureError(code); }
    void RaiseKeyDown(int16_t key, int16_t shift) { if (Sink) Sink->WindowKeyDown(key, shift); }

    // Contract. A read is recorded as "Name", a write as "Name=<value>"; either throws when
    // Failures names it ("Name" or "Name=").
#define PELTA_SCRIPTED_READ(Type, Name, field, Const) \
    Type Name() Const override { return Read(#Name, field); }
#define PELTA_SCRIPTED_VALUE(Type, Name, Setter, field)       \
    PELTA_SCRIPTED_READ(Type, Name, field, const)             \
    void Setter(Type v) override { Write(#Name, Text(v)); field = v; }
    PELTA_SCRIPTED_READ(int32_t, ActiveMode, Active, const)
    PELTA_SCRIPTED_READ(int32_t, EngineState, State, const)
    PELTA_SCRIPTED_READ(int32_t, TargetState, Target, const)
    PELTA_SCRIPTED_READ(std::string, CaptureFileName, FileName, const)
    PELTA_SCRIPTED_READ(StillPicture, StillPictureHandle, Still, )
    PELTA_SCRIPTED_READ(int32_t, FramesCaptured, Captured, const)
    PELTA_SCRIPTED_READ(int32_t, FramesDropped, Dropped, const)
    PELTA_SCRIPTED_READ(int32_t, MeanFrameBytes, FrameBytes, const)
    PELTA_SCRIPTED_READ(int64_t, FileBytesWritten, FileBytes, const)
    PELTA_SCRIPTED_READ(double, ElapsedSeconds, Elapsed, const)
    PELTA_SCRIPTED_READ(std::string, LastErrorText, ErrorText, const)
    PELTA_SCRIPTED_READ(bool, FullScreenOn, FullScreen, const)
    PELTA_SCRIPTED_READ(float, FullScreenMetric, Metric, const)
    PELTA_SCRIPTED_READ(bool, CaptionsAvailable, CaptionsCanSwitch, const)
    PELTA_SCRIPTED_READ(DeviceList&, VideoInputs, Video, )
    PELTA_SCRIPTED_READ(DeviceList&, AudioInputs, Audio, )
    PELTA_SCRIPTED_READ(CompressorList&, VideoCompressorList, VideoComp, )
    PELTA_SCRIPTED_READ(CompressorList&, AudioCompressorList, AudioComp, )
    PELTA_SCRIPTED_READ(RendererList&, AudioRendererList, Renderers, )
    PELTA_SCRIPTED_READ(SizeList&, VideoSizeList, Sizes, )
    PELTA_SCRIPTED_VALUE(int32_t, OutputFormat, SetOutputFormat, Format)
    PELTA_SCRIPTED_VALUE(bool, TimeLimitOn, SetTimeLimitOn, LimitOn)
    PELTA_SCRIPTED_VALUE(double, TimeLimitSeconds, SetTimeLimitSeconds, LimitSeconds)
    PELTA_SCRIPTED_VALUE(bool, FrameRateOn, SetFrameRateOn, RateOn)
    PELTA_SCRIPTED_VALUE(double, FrameRateValue, SetFrameRateValue, RateValue)
    PELTA_SCRIPTED_VALUE(double, FrameGapSeconds, SetFrameGapSeconds, GapSeconds)
    PELTA_SCRIPTED_VALUE(int32_t, MasterStreamIndex, SetMasterStreamIndex, Master)
    PELTA_SCRIPTED_VALUE(bool, PreviewOn, SetPreviewOn, Preview)
    PELTA_SCRIPTED_VALUE(int32_t, PreviewFit, SetPreviewFit, Fit)
    PELTA_SCRIPTED_VALUE(int32_t, PreviewInput, SetPreviewInput, Input)
    PELTA_SCRIPTED_VALUE(int32_t, PreviewTap, SetPreviewTap, Tap)
    PELTA_SCRIPTED_VALUE(bool, PreviewDuringProperties, SetPreviewDuringProperties, DuringProps)
    PELTA_SCRIPTED_VALUE(bool, CaptionsOn, SetCaptionsOn, Captions)
#undef PELTA_SCRIPTED_VALUE
#undef PELTA_SCRIPTED_READ
    void SetCaptureFileName(const std::string& path) override { Write("CaptureFileName", path); FileName = path; }
    void SetEventSink(EngineEvents* sink) override { Sink = sink; }
    void PrepareCapture(int32_t Mode) override;
    void BeginCapture(int32_t Mode) override;
    void EndCapture() override;
    void GrabFrame() override;
    bool ModeAvailable(int32_t Mode) const override;
    void ResetOutput() override;
    void ReserveCaptureFile(int32_t SizeMB) override;
    void CopyCaptureTo(const std::string& name, bool Flag) override;
    void FlipFullScreen() override;
    bool DialogAvailable(int32_t id) const override;
    void OpenDialog(int32_t id, uintptr_t parent) override;

private:
    template <typename T>
    T& Read(const char* member, T& value) const {
        Call(member);
        return value;
    }
    void Write(const char* member, const std::string& text) const { Call(member + ("=" + text), member + std::string("=")); }
    static std::string Text(bool v) { return v ? "True" : "False"; }
    static std::string Text(int32_t v) { return std::to_string(v); }
    static std::string Text(double v);

    mutable std::vector<std::string>* calls_ = &Calls;
    mutable std::set<std::string>* calledBusy_ = &CalledBusy;
};

// A factory for MainFrm that builds a ScriptableEngine and reports it through `out`.
EngineFactory ScriptableFactory(ScriptableEngine** out, std::function<void(ScriptableEngine&)> script = {});

}  // namespace pelta::test
