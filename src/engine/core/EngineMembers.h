// The engine's members as the windows use them, apart from what needs Qt (the surface that
// draws, full screen, the property dialogs): the core's devices, the recorder's captures and
// the preview's choices. The Qt control adds the rest and re-raises the events.
#pragma once

#include "engine/core/EngineContract.h"
#include "engine/core/EngineCore.h"
#include "engine/core/preview/PreviewPipeline.h"
#include "engine/core/processors/AudioProcessorChain.h"
#include "engine/core/processors/VideoProcessorChain.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/CompressorTap.h"

#include <functional>
#include <memory>

namespace pelta::engine {

// An engine list as the windows see it: the same entries and selection as the list behind
// it, and a call after each selection the user changes, so the engine can remember it.
template <typename ItemT>
class ChoiceList final : public EngineList<ItemT> {
public:
    using Target = std::function<EngineList<ItemT>&()>;
    ChoiceList(Target target, std::function<void()> changed) : target_(std::move(target)), changed_(std::move(changed)) {}
    int32_t Count() const override { return target_().Count(); }
    ItemT Item(int32_t index) const override { return target_().Item(index); }
    int32_t Selected() const override { return target_().Selected(); }
    void SetSelected(int32_t index) override {
        target_().SetSelected(index);
        if (changed_) changed_();
    }

private:
    Target target_;
    std::function<void()> changed_;
};

class EngineMembers : public CaptureEngineContract {
public:
    explicit EngineMembers(EngineEventPoster poster)
        : core_(std::make_unique<EngineCore>()), session_(std::make_unique<CaptureSession>(*core_, std::move(poster))) {
        core_->SetCaptureCheck([this] { return session_ && session_->Capturing(); });
        // The picture processors run on the device's thread, before preview, captures and stills.
        core_->SetVideoProcessor([this](const AVFrame* f) -> AVFrame* {
            return videoChain_.Active() ? videoChain_.Process(f) : nullptr;
        });
        core_->SetAudioProcessor([this](const AVFrame* f, std::vector<AVFrame*>& out) {
            if (!audioChain_.Active()) return false;
            for (AVFrame* ready = audioChain_.Process(f); ready; ready = audioChain_.Receive()) out.push_back(ready);
            return true;
        });
    }
    ~EngineMembers() override { EndEngine(); }
    EngineMembers(const EngineMembers&) = delete;
    EngineMembers& operator=(const EngineMembers&) = delete;

    EngineCore& Core() { return *core_; }
    CaptureSession& Recorder() { return *session_; }
    processors::VideoProcessorChain& VideoProcessors() { return videoChain_; }
    processors::AudioProcessorChain& AudioProcessors() { return audioChain_; }
    // What the display and preview-properties dialogs set.
    PreviewSettings Preview() const { return preview_->Settings(); }
    void SetPreview(const PreviewSettings& settings) {
        preview_->SetSettings(settings);
        PreviewChanged();
        ChoicesChanged();
    }
    double SoundLevel() const { return preview_->SoundLevel(); }
    // What the preview's sound does now (HeldBack: it would be recorded again, so only its
    // level is shown).
    PreviewSound::State PreviewSoundState() const { return preview_->SoundState(); }
    // Pictures converted for the preview, pictures it had no need to convert, and pictures
    // the compressor tap encoded and decoded for it.
    int64_t PreviewPicturesShown() const { return preview_->Shown(); }
    int64_t PreviewPicturesSkipped() const { return preview_->Skipped(); }
    int64_t PreviewPicturesCompressed() const { return preview_->Compressed(); }
    // Called on the UI thread after the user may have changed a choice the engine remembers
    // between runs: a list selection, a property dialog, a preview or capture value.
    void SetChoicesChanged(std::function<void()> changed) { choicesChanged_ = std::move(changed); }
    // A processor or compressor changed: the next picture is shown even if the source's is not new.
    void PreviewSettingsChanged() { ++view_.Generation; }

    void SetEventSink(EngineEvents* sink) override { sink_ = sink; }
    void PrepareCapture(int32_t m) override { session_->PrepareCapture(m); }
    void BeginCapture(int32_t m) override { session_->BeginCapture(m); }
    void EndCapture() override { session_->EndCapture(); }
    void GrabFrame() override { session_->GrabFrame(); }
    bool ModeAvailable(int32_t m) const override { return session_->ModeAvailable(m); }
    int32_t ActiveMode() const override { return session_->ActiveMode(); }
    int32_t EngineState() const override {
        if (session_->Capturing()) return EngineStateCode::Capturing;
        // 1: previewing or idle with a video device; 0: no video device, so no full screen.
        return core_->HasVideo() ? 1 : EngineStateCode::NoFullScreen;
    }
    int32_t TargetState() const override { return session_->TargetState(); }
    void ResetOutput() override { session_->ResetOutput(); }
    std::string CaptureFileName() const override { return session_->CaptureFileName(); }
    void SetCaptureFileName(const std::string& p) override { session_->SetCaptureFileName(p); }
    int32_t OutputFormat() const override { return session_->OutputFormat(); }
    void SetOutputFormat(int32_t c) override { session_->SetOutputFormat(c); }
    void ReserveCaptureFile(int32_t mb) override { session_->ReserveCaptureFile(mb); }
    void CopyCaptureTo(const std::string& n, bool f) override { session_->CopyCaptureTo(n, f); }
    StillPicture StillPictureHandle() override { return session_->StillPictureHandle(); }
    bool TimeLimitOn() const override { return session_->TimeLimitOn(); }
    void SetTimeLimitOn(bool on) override { Remembered([&] { session_->SetTimeLimitOn(on); }); }
    double TimeLimitSeconds() const override { return session_->TimeLimitSeconds(); }
    void SetTimeLimitSeconds(double s) override { Remembered([&] { session_->SetTimeLimitSeconds(s); }); }
    bool FrameRateOn() const override { return session_->FrameRateOn(); }
    void SetFrameRateOn(bool on) override { Remembered([&] { session_->SetFrameRateOn(on); }); }
    double FrameRateValue() const override { return session_->FrameRateValue(); }
    void SetFrameRateValue(double v) override { Remembered([&] { session_->SetFrameRateValue(v); }); }
    double FrameGapSeconds() const override { return session_->FrameGapSeconds(); }
    void SetFrameGapSeconds(double s) override { Remembered([&] { session_->SetFrameGapSeconds(s); }); }
    int32_t MasterStreamIndex() const override { return session_->MasterStreamIndex(); }
    void SetMasterStreamIndex(int32_t i) override { Remembered([&] { session_->SetMasterStreamIndex(i); }); }
    int32_t FramesCaptured() const override { return session_->FramesCaptured(); }
    int32_t FramesDropped() const override { return session_->FramesDropped(); }
    int32_t MeanFrameBytes() const override { return session_->MeanFrameBytes(); }
    int64_t FileBytesWritten() const override { return session_->FileBytesWritten(); }
    double ElapsedSeconds() const override { return session_->ElapsedSeconds(); }
    std::string LastErrorText() const override { return session_->LastErrorText(); }

    DeviceList& VideoInputs() override { return videoInputs_; }
    DeviceList& AudioInputs() override { return audioInputs_; }
    CompressorList& VideoCompressorList() override { return videoCompressors_; }
    CompressorList& AudioCompressorList() override { return audioCompressors_; }
    RendererList& AudioRendererList() override { return renderers_; }
    SizeList& VideoSizeList() override { return sizes_; }

    bool PreviewOn() const override { return view_.On; }
    void SetPreviewOn(bool on) override {
        view_.On = on;
        PreviewChanged();
    }
    int32_t PreviewFit() const override { return view_.Fit; }
    void SetPreviewFit(int32_t fit) override {
        view_.Fit = fit;
        PreviewChanged();
    }
    int32_t PreviewInput() const override { return view_.Input; }
    void SetPreviewInput(int32_t input) override {
        if (input < 0 || input > 2) throw EngineError("The preview source must be 0, 1 or 2.");
        view_.Input = input;
        PreviewChanged();
        ChoicesChanged();
    }
    int32_t PreviewTap() const override { return view_.Tap; }
    void SetPreviewTap(int32_t tap) override {
        if (tap < 0 || tap > 2) throw EngineError("The preview tap must be 0, 1 or 2.");
        view_.Tap = tap;
        PreviewChanged();
        ChoicesChanged();
    }
    bool PreviewDuringProperties() const override { return duringProperties_; }
    void SetPreviewDuringProperties(bool on) override {
        duringProperties_ = on;
        ChoicesChanged();
    }
    float FullScreenMetric() const override {
        // The picture's aspect ratio; 0 when there is no picture to show.
        const VideoFormat f = core_->CurrentVideoFormat();
        if (!core_->HasVideo() || f.Width <= 0 || f.Height <= 0) return 0.0f;
        return static_cast<float>(f.Width) / static_cast<float>(f.Height);
    }
    bool CaptionsAvailable() const override { return false; }
    bool CaptionsOn() const override { return captionsOn_; }
    void SetCaptionsOn(bool on) override { captionsOn_ = on; }

protected:
    // The preview's side that draws: called on the UI thread when the drawn picture must
    // change, and when the video device changed (the picture shown goes: "None" leaves a
    // blank preview, not the last picture frozen) ...
    virtual void PreviewChanged() {}
    virtual void PictureDropped() {}
    // ... on the preview thread with a converted picture (false: too late for it) ...
    virtual bool ShowPicture(ShownPicture& picture) {
        (void)picture;
        return false;
    }
    virtual PictureRect ShownRect() const { return {}; }
    // ... and on any thread when the window should be drawn again.
    virtual void RepaintNeeded() {}

    // The preview starts listening once the side that draws is built, and stops before it goes.
    void StartPreview() { core_->AddListener(preview_.get()); }
    // Ends the preview, a capture (its events still posted) and the devices, while the side
    // that draws and relays the events is still there.
    void EndEngine() {
        if (preview_) core_->RemoveListener(preview_.get());
        preview_.reset();
        session_.reset();
        core_.reset();
    }
    void ChoicesChanged() {
        if (choicesChanged_) choicesChanged_();
    }
    EngineEvents* Sink() const { return sink_; }

    PreviewView view_;
    bool duringProperties_ = true;

private:
    template <typename Change>
    void Remembered(const Change& change) {
        change();
        ChoicesChanged();
    }
    // What the selected video compressor makes of a picture: encoded and decoded again.
    // "No Recompression" shows the picture as it is. On the preview thread.
    AVFrame* CompressForPreview(const AVFrame* frame) {
        const std::string encoder = session_->ChosenVideoEncoder();
        if (encoder.empty()) return nullptr;
        return compressorTap_.Process(frame, encoder, session_->EncoderSettingsFor(encoder));
    }
    std::pair<std::string, std::string> SoundRoute() const {
        const DeviceInfo* out = core_->SelectedOutput();
        const DeviceInfo* in = core_->SelectedAudioDevice();
        return {out ? out->Url : std::string(),
                in && in->Kind == DeviceKind::Microphone && in->InputFormat == "pulse" ? in->Url : std::string()};
    }
    int RateCap() const {
        const PreviewSettings s = preview_->Settings();
        return session_->Capturing() && s.RateWhileCapturing > 0 ? s.RateWhileCapturing : s.MaxRate;
    }

    // Before core_: the core's threads use them.
    processors::VideoProcessorChain videoChain_;
    processors::AudioProcessorChain audioChain_;
    std::unique_ptr<EngineCore> core_;
    std::unique_ptr<CaptureSession> session_;
    record::CompressorTap compressorTap_;  // the preview thread's
    std::unique_ptr<PreviewPipeline> preview_ = std::make_unique<PreviewPipeline>(
        view_, PreviewPipeline::Hooks{[this](const AVFrame* f) { return CompressForPreview(f); },
                                      [this] { return RateCap(); },
                                      [this](ShownPicture& p) { return ShowPicture(p); },
                                      [this] { return ShownRect(); },
                                      [this] { RepaintNeeded(); },
                                      [this] { return SoundRoute(); },
                                      [this] { return videoChain_.Active(); }});
    EngineEvents* sink_ = nullptr;
    bool captionsOn_ = false;
    std::function<void()> choicesChanged_;

    // The core's video device list; a change of device also drops the picture shown.
    class VideoInputList final : public DeviceList {
    public:
        explicit VideoInputList(EngineMembers& e) : e_(e) {}
        int32_t Count() const override { return e_.core_->VideoInputs().Count(); }
        DeviceItem Item(int32_t i) const override { return e_.core_->VideoInputs().Item(i); }
        int32_t Selected() const override { return e_.core_->VideoInputs().Selected(); }
        void SetSelected(int32_t i) override {
            e_.core_->VideoInputs().SetSelected(i);
            e_.preview_->DropWaiting();
            e_.PictureDropped();
        }

    private:
        EngineMembers& e_;
    };
    VideoInputList videoDevices_{*this};
    ChoiceList<DeviceItem> videoInputs_{[this]() -> DeviceList& { return videoDevices_; }, [this] { ChoicesChanged(); }};
    ChoiceList<DeviceItem> audioInputs_{[this]() -> DeviceList& { return core_->AudioInputs(); },
                                        [this] { ChoicesChanged(); }};
    ChoiceList<RendererItem> renderers_{[this]() -> RendererList& { return core_->AudioRendererList(); },
                                        [this] { ChoicesChanged(); }};
    ChoiceList<SizeItem> sizes_{[this]() -> SizeList& { return core_->VideoSizeList(); }, [this] { ChoicesChanged(); }};
    ChoiceList<CompressorItem> videoCompressors_{[this]() -> CompressorList& { return session_->VideoCompressorList(); },
                                                 [this] { ChoicesChanged(); }};
    ChoiceList<CompressorItem> audioCompressors_{[this]() -> CompressorList& { return session_->AudioCompressorList(); },
                                                 [this] { ChoicesChanged(); }};
};

}  // namespace pelta::engine
