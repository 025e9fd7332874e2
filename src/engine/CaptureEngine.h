// The engine control: the preview surface in the main window, the contract's members on top
// of the engine core and the recorder, and the engine's events raised on the UI thread.
#pragma once

#include "engine/core/ChoiceList.h"
#include "engine/core/EngineContract.h"
#include "engine/core/EngineCore.h"
#include "engine/core/Guarded.h"
#include "engine/core/preview/PreviewRect.h"
#include "engine/core/preview/PreviewSound.h"
#include "engine/DirectPreview.h"
#include "engine/PreviewConverter.h"
#include "engine/core/preview/PreviewSettings.h"
#include "engine/core/processors/AudioProcessorChain.h"
#include "engine/core/record/CompressorTap.h"
#include "engine/core/processors/VideoProcessorChain.h"

#include <QImage>
#include <QPointer>
#include <QWindow>
#include <QRegion>
class QDialog;
#include <QWidget>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace pelta {

namespace engine {
class CaptureSession;
}

class CaptureEngine final : public QWidget, public engine::CaptureEngineContract, private engine::FrameListener {
    Q_OBJECT
public:
    explicit CaptureEngine(QWidget* parent = nullptr);
    ~CaptureEngine() override;

    engine::EngineCore& Core() { return *core_; }
    engine::CaptureSession& Recorder() { return *session_; }
    // The newest picture as drawn now (for tests and full screen).
    QImage PreviewImage() const;
    engine::PictureRect PictureRectNow() const;
    double SoundLevel() const { return level_.load(); }
    // What the preview's sound does now (HeldBack: it would be recorded again, so only
    // its level is shown).
    engine::PreviewSound::State PreviewSoundState() const { return soundState_.load(); }
    // Pictures converted for the preview, and pictures it had no need to convert.
    int64_t PreviewPicturesShown() const { return previewShown_.load(); }
    int64_t PreviewPicturesSkipped() const { return previewSkipped_.load(); }
    // Updates drawn straight into the window, past Qt's backing store.
    int64_t PreviewPicturesDirect() const { return previewDirect_; }
    // Pictures the compressor tap encoded and decoded for the preview.
    int64_t PreviewPicturesCompressed() const { return previewCompressed_.load(); }

    // What the display and preview-properties dialogs set.
    engine::PreviewSettings Preview() const;
    void SetPreview(const engine::PreviewSettings& settings);
    engine::processors::VideoProcessorChain& VideoProcessors() { return videoChain_; }
    engine::processors::AudioProcessorChain& AudioProcessors() { return audioChain_; }
    // Shows one of the engine's property dialogs, pausing the preview when asked to.
    void ExecPropertyDialog(QDialog& dialog);
    // Called on the UI thread after the user may have changed a choice the engine remembers
    // between runs: a list selection, a property dialog, a preview or capture value.
    void SetChoicesChanged(std::function<void()> changed) { choicesChanged_ = std::move(changed); }

    void SetEventSink(engine::EngineEvents* sink) override { sink_ = sink; }
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
    void CopyCaptureTo(const std::string& FileName, bool Flag) override;
    engine::StillPicture StillPictureHandle() override;
    bool TimeLimitOn() const override;
    void SetTimeLimitOn(bool on) override;
    double TimeLimitSeconds() const override;
    void SetTimeLimitSeconds(double seconds) override;
    bool FrameRateOn() const override;
    void SetFrameRateOn(bool on) override;
    double FrameRateValue() const override;
    void SetFrameRateValue(double fps) override;
    double FrameGapSeconds() const override;
    void SetFrameGapSeconds(double seconds) override;
    int32_t MasterStreamIndex() const override;
    void SetMasterStreamIndex(int32_t index) override;
    int32_t FramesCaptured() const override;
    int32_t FramesDropped() const override;
    int32_t MeanFrameBytes() const override;
    double ElapsedSeconds() const override;
    std::string LastErrorText() const override;
    engine::DeviceList& VideoInputs() override { return videoInputs_; }
    engine::DeviceList& AudioInputs() override { return audioInputs_; }
    engine::CompressorList& VideoCompressorList() override { return videoCompressors_; }
    engine::CompressorList& AudioCompressorList() override { return audioCompressors_; }
    engine::RendererList& AudioRendererList() override { return renderers_; }
    engine::SizeList& VideoSizeList() override { return sizes_; }
    bool PreviewOn() const override { return previewOn_; }
    void SetPreviewOn(bool on) override;
    int32_t PreviewFit() const override { return fit_; }
    void SetPreviewFit(int32_t fit) override;
    int32_t PreviewInput() const override { return input_; }
    void SetPreviewInput(int32_t input) override;
    int32_t PreviewTap() const override { return tap_; }
    void SetPreviewTap(int32_t tap) override;
    bool PreviewDuringProperties() const override { return duringProperties_; }
    void SetPreviewDuringProperties(bool on) override {
        duringProperties_ = on;
        ChoicesChanged();
    }
    bool FullScreenOn() const override { return fullScreen_ != nullptr; }
    void FlipFullScreen() override;
    float FullScreenMetric() const override;
    bool CaptionsAvailable() const override { return false; }
    bool CaptionsOn() const override { return captionsOn_; }
    void SetCaptionsOn(bool on) override { captionsOn_ = on; }
    bool DialogAvailable(int32_t DialogId) const override;
    void OpenDialog(int32_t DialogId, uintptr_t ParentWindow) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class FullScreenView;
    void OnVideoFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnSourceVideoFrame(const AVFrame* frame, AVRational timeBase) override;
    bool WillShow() const;
    void OfferPicture(const AVFrame* frame, bool mayBeUnchanged, bool compress);
    void PreviewLoop();
    void Present(const AVFrame* frame, bool mayBeUnchanged, uint64_t deviceEpoch);
    AVFrame* CompressForPreview(const AVFrame* frame);
    void UpdateShown();
    void InvalidatePreview();
    void OnAudioFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnSourceLost(bool video, const std::string& why) override;
    void Post(engine::EngineEventKind kind, int32_t value);
    void Raise(engine::EngineEventKind kind, int32_t value);
    // Null area: the whole surface.
    void RequestRepaint(const QRect& area = QRect());
    // UI thread: draws the part of `area` the picture covers straight into the window when
    // the picture lies in memory the X server reads; returns what is left to repaint.
    QRegion DrawDirect(QWidget& surface, const QRect& area);
    void RepaintStaleOnExpose(QObject* watched, QEvent* event);
    void ForgetStale();
    void PaintPreview(QWidget& surface, QPainter& p);
    void NotePainted(QWidget& surface, const QRegion& painted) {
        if (&surface == staleSurface_) staleStore_ -= painted;
    }
    void KeyFromSurface(QKeyEvent* event);
    engine::CaptureSession& Session() const;
    engine::CompressorList& SessionVideoCompressors();
    engine::CompressorList& SessionAudioCompressors();
    void ChoicesChanged() {
        if (choicesChanged_) choicesChanged_();
    }

    // Before core_: the core's threads use them.
    engine::processors::VideoProcessorChain videoChain_;
    engine::processors::AudioProcessorChain audioChain_;
    std::unique_ptr<engine::EngineCore> core_;
    std::unique_ptr<engine::CaptureSession> session_;
    engine::EngineEvents* sink_ = nullptr;

    std::atomic<bool> previewOn_{false};
    std::atomic<int32_t> fit_{2};
    std::atomic<int32_t> input_{0};
    std::atomic<int32_t> tap_{0};
    std::atomic<int> surfaceW_{0}, surfaceH_{0};
    bool duringProperties_ = true;
    std::atomic<bool> pausedByDialog_{false};

    std::atomic<bool> surfaceShown_{false};  // the window is shown and not minimised
    engine::Guarded<engine::PreviewSettings> previewSettings_;

    // The device's thread leaves the newest picture the preview will show here; the preview
    // thread converts it (and for the compressor tap encodes and decodes it first). A newer
    // picture replaces one not yet taken, so the device never waits for the preview.
    struct Mailbox {
        AVFrame* Picture = nullptr;
        bool MayBeUnchanged = false;
        bool Compress = false;
        bool Stop = false;
        // Device thread's pacing: when the rate cap lets the next picture through, and
        // whether a changed picture was held back since the last one shown.
        std::chrono::steady_clock::time_point NextShow{};
        bool MissedChange = false;
        uint64_t DeviceEpoch = 0;  // bumped when the video device changes: older pictures are not shown
    };
    engine::Guarded<Mailbox> mailbox_;
    std::condition_variable mailboxCv_;
    // Preview thread only.
    PreviewConverter converter_;
    engine::record::CompressorTap compressorTap_;
    std::atomic<uint64_t> convertedGeneration_{~0ull};  // written by the preview thread
    std::atomic<uint64_t> previewGeneration_{0};  // bumped whenever the drawn picture must change
    std::atomic<int64_t> previewShown_{0}, previewSkipped_{0}, previewCompressed_{0};
    std::thread previewThread_;
    bool captionsOn_ = false;

    // The mailbox between the engine's threads and the UI: at most one picture waits.
    mutable std::mutex imageMutex_;
    QImage image_;
    // The core's video device list; a change of device also drops the picture shown, so
    // "None" leaves a blank preview, not the last picture frozen.
    class VideoInputList final : public engine::DeviceList {
    public:
        explicit VideoInputList(CaptureEngine& e) : e_(e) {}
        int32_t Count() const override { return e_.core_->VideoInputs().Count(); }
        engine::DeviceItem Item(int32_t i) const override { return e_.core_->VideoInputs().Item(i); }
        int32_t Selected() const override { return e_.core_->VideoInputs().Selected(); }
        void SetSelected(int32_t i) override;

    private:
        CaptureEngine& e_;
    };
    VideoInputList videoDevices_{*this};
    engine::PictureRect rect_;
    QPoint imagePos_;
    QRect dirty_;  // what the next repaint must draw again
    // UI thread: drawing in the window past Qt's backing store, and what the backing store
    // still holds an older picture of (repainted before Qt shows it again, on exposure).
    std::unique_ptr<DirectPreview> direct_;
    bool directTried_ = false;
    QRegion staleStore_;
    QWidget* staleSurface_ = nullptr;
    QPointer<QWindow> exposeWatched_;
    int64_t previewDirect_ = 0;
    std::atomic<bool> repaintPending_{false};
    std::atomic<bool> progressPending_{false};
    std::atomic<double> level_{0.0};

    QWidget* fullScreen_ = nullptr;            // UI thread
    std::atomic<bool> fullScreenShown_{false};  // the same, for the devices' threads

    // Sound of the preview (sources "Video and Audio" and "Audio only"), played through the
    // chosen output. Owned by the sound's delivery (one device thread at a time, each one
    // closed before the next opens): started, fed and stopped there, never under a lock.
    // Others read only its state.
    std::unique_ptr<engine::PreviewSound> sound_;
    std::atomic<engine::PreviewSound::State> soundState_{engine::PreviewSound::State::Starting};

    // The lists the windows use: the core's and the recorder's, telling choicesChanged_.
    std::function<void()> choicesChanged_;
    engine::ChoiceList<engine::DeviceItem> videoInputs_{[this]() -> engine::DeviceList& { return videoDevices_; },
                                                        [this] { ChoicesChanged(); }};
    engine::ChoiceList<engine::DeviceItem> audioInputs_{[this]() -> engine::DeviceList& { return core_->AudioInputs(); },
                                                        [this] { ChoicesChanged(); }};
    engine::ChoiceList<engine::RendererItem> renderers_{
        [this]() -> engine::RendererList& { return core_->AudioRendererList(); }, [this] { ChoicesChanged(); }};
    engine::ChoiceList<engine::SizeItem> sizes_{[this]() -> engine::SizeList& { return core_->VideoSizeList(); },
                                                [this] { ChoicesChanged(); }};
    engine::ChoiceList<engine::CompressorItem> videoCompressors_{
        [this]() -> engine::CompressorList& { return SessionVideoCompressors(); }, [this] { ChoicesChanged(); }};
    engine::ChoiceList<engine::CompressorItem> audioCompressors_{
        [this]() -> engine::CompressorList& { return SessionAudioCompressors(); }, [this] { ChoicesChanged(); }};
};

}  // namespace pelta
