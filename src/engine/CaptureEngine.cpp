#include "engine/CaptureEngine.h"

#include "engine/EngineBinding.h"
#include "controls/Prompts.h"
#include "engine/dialogs/ProcessorsDialog.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "engine/core/record/CaptureSession.h"

namespace pelta {

using namespace engine;

// The full-screen view paints the same picture as the preview window.
class FullScreenView final : public QWidget {
public:
    explicit FullScreenView(CaptureEngine& e) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), e_(e) {
        setObjectName(QStringLiteral("CaptureEngineFullScreen"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        e_.PaintPreview(*this, p);
    }
    void keyPressEvent(QKeyEvent* ev) override { e_.KeyFromSurface(ev); }
    void resizeEvent(QResizeEvent*) override {
        e_.surfaceW_ = width();
        e_.surfaceH_ = height();
    }

private:
    CaptureEngine& e_;
};


CaptureEngine::CaptureEngine(QWidget* parent) : QWidget(parent), core_(std::make_unique<EngineCore>()) {
    setObjectName(QStringLiteral("CaptureEngine"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    session_ = std::make_unique<CaptureSession>(*core_, [this](EngineEventKind k, int32_t v) { Post(k, v); });
    // The picture processors run on the device's thread, before preview, captures and stills.
    core_->SetVideoProcessor([this](const AVFrame* f) -> AVFrame* {
        return videoChain_.Active() ? videoChain_.Process(f) : nullptr;
    });
    core_->AddListener(this);
}

CaptureEngine::~CaptureEngine() {
    core_->RemoveListener(this);
    sound_.reset();
    session_.reset();
    core_.reset();
    delete fullScreen_;
    sws_freeContext(scaler_);
}

CaptureSession& CaptureEngine::Session() const { return *session_; }

// ---- events: posted from any thread, raised on the UI thread -------------------------------

void CaptureEngine::Post(EngineEventKind kind, int32_t value) {
    // Progress is coalesced so that a busy UI never piles up events.
    if (kind == EngineEventKind::CaptureProgress && progressPending_.exchange(true)) return;
    QMetaObject::invokeMethod(this, [this, kind, value] { Raise(kind, value); }, Qt::QueuedConnection);
}

void CaptureEngine::Raise(EngineEventKind kind, int32_t value) {
    if (kind == EngineEventKind::CaptureProgress) progressPending_ = false;
    if (!sink_) return;
    switch (kind) {
    case EngineEventKind::CaptureProgress: sink_->CaptureProgress(value); break;
    case EngineEventKind::CaptureEnded: sink_->CaptureEnded(); break;
    case EngineEventKind::CaptureError: sink_->CaptureError(value); break;
    }
}

// ---- preview ---------------------------------------------------------------------------------

void CaptureEngine::OnVideoFrame(const AVFrame* frame, AVRational) {
    if (!previewOn_ || input_ == 2) return;
    const int sw = surfaceW_, sh = surfaceH_;
    if (sw <= 0 || sh <= 0) return;
    const int fit = fullScreen_ ? 0 : fit_.load();
    PictureRect r = PreviewRectFor(fit, frame->width, frame->height, sw, sh);
    // Never scale to more than twice the window: the painter clips the rest anyway.
    if (r.Width <= 0 || r.Height <= 0 || r.Width > 8192 || r.Height > 8192) return;
    QImage img(r.Width, r.Height, QImage::Format_RGB32);
    scaler_ = sws_getCachedContext(scaler_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                   r.Width, r.Height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_) return;
    uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {static_cast<int>(img.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    {
        std::lock_guard lock(imageMutex_);
        image_ = std::move(img);
        rect_ = r;
    }
    hasPicture_ = true;
    RequestRepaint();
}

void CaptureEngine::OnAudioFrame(const AVFrame* frame, AVRational) {
    // A peak meter for the audio-only preview.
    double peak = 0;
    const int channels = frame->ch_layout.nb_channels;
    if (frame->format == AV_SAMPLE_FMT_S16) {
        const auto* s = reinterpret_cast<const int16_t*>(frame->data[0]);
        for (int i = 0; i < frame->nb_samples * channels; ++i) peak = std::max(peak, std::abs(s[i]) / 32768.0);
    } else if (frame->format == AV_SAMPLE_FMT_FLT) {
        const auto* s = reinterpret_cast<const float*>(frame->data[0]);
        for (int i = 0; i < frame->nb_samples * channels; ++i) peak = std::max(peak, double(std::fabs(s[i])));
    }
    level_ = std::max(peak, level_.load() * 0.85);
    if (previewOn_ && input_ == 0 && frame->format == AV_SAMPLE_FMT_S16 && channels > 0) {
        const DeviceInfo* out = core_->SelectedOutput();
        const std::string sink = out ? out->Url : std::string();
        std::lock_guard lock(soundMutex_);
        if (!sound_ || sound_->Sink() != sink || sound_->SampleRate() != frame->sample_rate ||
            sound_->Channels() != channels)
            sound_ = std::make_unique<PreviewSound>(sink, frame->sample_rate, channels);
        sound_->Push(reinterpret_cast<const int16_t*>(frame->data[0]), frame->nb_samples);
    } else {
        std::lock_guard lock(soundMutex_);
        sound_.reset();
    }
    if (previewOn_ && input_ == 2) RequestRepaint();
}

void CaptureEngine::OnSourceLost(bool video, const std::string&) {
    if (video) hasPicture_ = false;
    RequestRepaint();
}

void CaptureEngine::RequestRepaint() {
    if (repaintPending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            repaintPending_ = false;
            update();
            if (fullScreen_) fullScreen_->update();
        },
        Qt::QueuedConnection);
}

QImage CaptureEngine::PreviewImage() const {
    std::lock_guard lock(imageMutex_);
    return image_;
}

PictureRect CaptureEngine::PictureRectNow() const {
    std::lock_guard lock(imageMutex_);
    return rect_;
}

void CaptureEngine::PaintPreview(QWidget& surface, QPainter& p) {
    p.fillRect(surface.rect(), Qt::black);
    if (!previewOn_) return;
    if (input_ == 2) {
        const double lvl = std::clamp(level_.load(), 0.0, 1.0);
        const int barW = surface.width() - 40, barH = std::min(40, surface.height() / 4);
        const QRect frameRect(20, (surface.height() - barH) / 2, barW, barH);
        p.setPen(QColor(90, 90, 90));
        p.drawRect(frameRect);
        const QColor c = lvl > 0.9 ? QColor(220, 40, 40) : (lvl > 0.6 ? QColor(230, 190, 40) : QColor(40, 200, 80));
        p.fillRect(QRect(frameRect.x() + 1, frameRect.y() + 1, int((barW - 2) * lvl), barH - 2), c);
        return;
    }
    std::lock_guard lock(imageMutex_);
    if (!image_.isNull()) p.drawImage(QPoint(rect_.X, rect_.Y), image_);
}

void CaptureEngine::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintPreview(*this, p);
}

void CaptureEngine::resizeEvent(QResizeEvent*) {
    if (!fullScreen_) {
        surfaceW_ = width();
        surfaceH_ = height();
    }
}

void CaptureEngine::keyPressEvent(QKeyEvent* e) { KeyFromSurface(e); }

void CaptureEngine::KeyFromSurface(QKeyEvent* e) {
    int16_t code = static_cast<int16_t>(e->key() == Qt::Key_Escape ? 27 : (e->key() & 0x7fff));
    int16_t shift = 0;
    if (e->modifiers() & Qt::ShiftModifier) shift |= 1;
    if (e->modifiers() & Qt::ControlModifier) shift |= 2;
    if (e->modifiers() & Qt::AltModifier) shift |= 4;
    if (sink_) sink_->WindowKeyDown(code, shift);
}

void CaptureEngine::SetPreviewOn(bool on) {
    previewOn_ = on;
    if (!on) {
        std::lock_guard lock(imageMutex_);
        image_ = QImage();
    }
    update();
}
void CaptureEngine::SetPreviewFit(int32_t fit) {
    fit_ = fit;
    update();
}
void CaptureEngine::SetPreviewInput(int32_t input) {
    if (input < 0 || input > 2) throw EngineError("The preview source must be 0, 1 or 2.");
    input_ = input;
    update();
}
void CaptureEngine::SetPreviewTap(int32_t tap) {
    if (tap < 0 || tap > 2) throw EngineError("The preview tap must be 0, 1 or 2.");
    tap_ = tap;
}

void CaptureEngine::FlipFullScreen() {
    if (fullScreen_) {
        fullScreen_->hide();
        fullScreen_->deleteLater();
        fullScreen_ = nullptr;
        surfaceW_ = width();
        surfaceH_ = height();
        return;
    }
    if (FullScreenMetric() == 0.0f) return;
    fullScreen_ = new FullScreenView(*this);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) fullScreen_->setGeometry(screen->geometry());
    surfaceW_ = fullScreen_->width();
    surfaceH_ = fullScreen_->height();
    fullScreen_->showFullScreen();
    fullScreen_->setFocus();
}

float CaptureEngine::FullScreenMetric() const {
    // The picture's aspect ratio; 0 when there is no picture to show.
    const VideoFormat f = core_->CurrentVideoFormat();
    if (!core_->HasVideo() || f.Width <= 0 || f.Height <= 0) return 0.0f;
    return static_cast<float>(f.Width) / static_cast<float>(f.Height);
}

int32_t CaptureEngine::EngineState() const {
    if (session_->Capturing()) return EngineStateCode::Capturing;
    // 1: previewing or idle with a video device; 0: no video device, so no full screen.
    return core_->HasVideo() ? 1 : EngineStateCode::NoFullScreen;
}

bool CaptureEngine::DialogAvailable(int32_t DialogId) const {
    return DialogId == DialogId::VideoProcessors && core_->HasVideo();
}

void CaptureEngine::OpenDialog(int32_t id, uintptr_t ParentWindow) {
    if (!DialogAvailable(id)) throw EngineError("This property dialog is not available for the selected devices.");
    QWidget* parent = QWidget::find(static_cast<WId>(ParentWindow));
    ProcessorsDialog dialog(true, videoChain_.Chain(),
                            [this](const processors::ChainDescription& chain) { videoChain_.SetChain(chain); },
                            parent ? parent : window());
    const bool paused = !duringProperties_ && previewOn_;
    if (paused) previewOn_ = false;
    Prompts().ExecDialog(dialog);
    if (paused) previewOn_ = true;
}

// ---- capturing: the recorder's members ---------------------------------------------------------
void CaptureEngine::PrepareCapture(int32_t m) { session_->PrepareCapture(m); }
void CaptureEngine::BeginCapture(int32_t m) { session_->BeginCapture(m); }
void CaptureEngine::EndCapture() { session_->EndCapture(); }
void CaptureEngine::GrabFrame() { session_->GrabFrame(); }
bool CaptureEngine::ModeAvailable(int32_t m) const { return session_->ModeAvailable(m); }
int32_t CaptureEngine::ActiveMode() const { return session_->ActiveMode(); }
int32_t CaptureEngine::TargetState() const { return session_->TargetState(); }
void CaptureEngine::ResetOutput() { session_->ResetOutput(); }
std::string CaptureEngine::CaptureFileName() const { return session_->CaptureFileName(); }
void CaptureEngine::SetCaptureFileName(const std::string& p) { session_->SetCaptureFileName(p); }
int32_t CaptureEngine::OutputFormat() const { return session_->OutputFormat(); }
void CaptureEngine::SetOutputFormat(int32_t c) { session_->SetOutputFormat(c); }
void CaptureEngine::ReserveCaptureFile(int32_t mb) { session_->ReserveCaptureFile(mb); }
void CaptureEngine::CopyCaptureTo(const std::string& n, bool f) { session_->CopyCaptureTo(n, f); }
StillPicture CaptureEngine::StillPictureHandle() { return session_->StillPictureHandle(); }
bool CaptureEngine::TimeLimitOn() const { return session_->TimeLimitOn(); }
void CaptureEngine::SetTimeLimitOn(bool on) { session_->SetTimeLimitOn(on); }
double CaptureEngine::TimeLimitSeconds() const { return session_->TimeLimitSeconds(); }
void CaptureEngine::SetTimeLimitSeconds(double s) { session_->SetTimeLimitSeconds(s); }
bool CaptureEngine::FrameRateOn() const { return session_->FrameRateOn(); }
void CaptureEngine::SetFrameRateOn(bool on) { session_->SetFrameRateOn(on); }
double CaptureEngine::FrameRateValue() const { return session_->FrameRateValue(); }
void CaptureEngine::SetFrameRateValue(double v) { session_->SetFrameRateValue(v); }
double CaptureEngine::FrameGapSeconds() const { return session_->FrameGapSeconds(); }
void CaptureEngine::SetFrameGapSeconds(double s) { session_->SetFrameGapSeconds(s); }
int32_t CaptureEngine::MasterStreamIndex() const { return session_->MasterStreamIndex(); }
void CaptureEngine::SetMasterStreamIndex(int32_t i) { session_->SetMasterStreamIndex(i); }
int32_t CaptureEngine::FramesCaptured() const { return session_->FramesCaptured(); }
int32_t CaptureEngine::FramesDropped() const { return session_->FramesDropped(); }
int32_t CaptureEngine::MeanFrameBytes() const { return session_->MeanFrameBytes(); }
double CaptureEngine::ElapsedSeconds() const { return session_->ElapsedSeconds(); }
CompressorList& CaptureEngine::VideoCompressorList() { return session_->VideoCompressorList(); }
CompressorList& CaptureEngine::AudioCompressorList() { return session_->AudioCompressorList(); }

}  // namespace pelta
