// The device-less engine: a working window with empty menus.
#include "engine/EngineBinding.h"

namespace pelta {

namespace {

using namespace engine;

template <typename ItemT>
class EmptyList final : public EngineList<ItemT> {
public:
    int32_t Count() const override { return 0; }
    ItemT Item(int32_t index) const override {
        throw EngineError("There is no entry " + std::to_string(index) + " in an empty list.");
    }
    int32_t Selected() const override { return -1; }
    void SetSelected(int32_t index) override {
        if (index != -1) throw EngineError("No device or compressor is available.");
    }
};

class NullEngine final : public QWidget, public CaptureEngineContract {
public:
    explicit NullEngine(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("CaptureEngine"));
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::black);
        setPalette(p);
    }

    void SetEventSink(EngineEvents*) override {}
    void PrepareCapture(int32_t) override { throw EngineError("No capture device is available."); }
    void BeginCapture(int32_t) override { throw EngineError("No capture device is available."); }
    void EndCapture() override {}
    void GrabFrame() override { throw EngineError("No capture is running."); }
    bool ModeAvailable(int32_t) const override { return false; }
    int32_t ActiveMode() const override { return 0; }
    int32_t EngineState() const override { return 0; }
    int32_t TargetState() const override { return 0; }
    void ResetOutput() override {}
    std::string CaptureFileName() const override { return fileName_; }
    void SetCaptureFileName(const std::string& path) override { fileName_ = path; }
    int32_t OutputFormat() const override { return format_; }
    void SetOutputFormat(int32_t code) override { format_ = code; }
    void ReserveCaptureFile(int32_t) override { throw EngineError("No capture device is available."); }
    void CopyCaptureTo(const std::string&, bool) override { throw EngineError("Nothing has been captured."); }
    StillPicture StillPictureHandle() override { throw EngineError("No video device is available."); }
    bool TimeLimitOn() const override { return timeLimitOn_; }
    void SetTimeLimitOn(bool on) override { timeLimitOn_ = on; }
    double TimeLimitSeconds() const override { return timeLimit_; }
    void SetTimeLimitSeconds(double s) override { timeLimit_ = s; }
    bool FrameRateOn() const override { return frameRateOn_; }
    void SetFrameRateOn(bool on) override { frameRateOn_ = on; }
    double FrameRateValue() const override { return frameRate_; }
    void SetFrameRateValue(double v) override { frameRate_ = v; }
    double FrameGapSeconds() const override { return frameGap_; }
    void SetFrameGapSeconds(double s) override { frameGap_ = s; }
    int32_t MasterStreamIndex() const override { return master_; }
    void SetMasterStreamIndex(int32_t i) override { master_ = i; }
    int32_t FramesCaptured() const override { return 0; }
    int32_t FramesDropped() const override { return 0; }
    int32_t MeanFrameBytes() const override { return 0; }
    double ElapsedSeconds() const override { return 0; }
    DeviceList& VideoInputs() override { return video_; }
    DeviceList& AudioInputs() override { return audio_; }
    CompressorList& VideoCompressorList() override { return videoComp_; }
    CompressorList& AudioCompressorList() override { return audioComp_; }
    RendererList& AudioRendererList() override { return renderers_; }
    SizeList& VideoSizeList() override { return sizes_; }
    bool PreviewOn() const override { return previewOn_; }
    void SetPreviewOn(bool on) override { previewOn_ = on; }
    int32_t PreviewFit() const override { return fit_; }
    void SetPreviewFit(int32_t f) override { fit_ = f; }
    int32_t PreviewInput() const override { return input_; }
    void SetPreviewInput(int32_t i) override { input_ = i; }
    int32_t PreviewTap() const override { return tap_; }
    void SetPreviewTap(int32_t t) override { tap_ = t; }
    bool PreviewDuringProperties() const override { return duringProps_; }
    void SetPreviewDuringProperties(bool on) override { duringProps_ = on; }
    bool FullScreenOn() const override { return false; }
    void FlipFullScreen() override {}
    float FullScreenMetric() const override { return 0.0f; }
    bool CaptionsAvailable() const override { return false; }
    bool CaptionsOn() const override { return false; }
    void SetCaptionsOn(bool) override {}
    bool DialogAvailable(int32_t) const override { return false; }
    void OpenDialog(int32_t, uintptr_t) override { throw EngineError("No property dialog is available."); }

private:
    EmptyList<DeviceItem> video_, audio_;
    EmptyList<CompressorItem> videoComp_, audioComp_;
    EmptyList<RendererItem> renderers_;
    EmptyList<SizeItem> sizes_;
    std::string fileName_;
    int32_t format_ = 0;
    bool timeLimitOn_ = false, frameRateOn_ = false, previewOn_ = false, duringProps_ = true;
    double timeLimit_ = 0, frameRate_ = 0, frameGap_ = 1;
    int32_t master_ = -1, fit_ = 0, input_ = 0, tap_ = 0;
};

}  // namespace

EngineBinding CreateNullEngine(QWidget* parent) {
    auto* e = new NullEngine(parent);
    return {e, e};
}

}  // namespace pelta
