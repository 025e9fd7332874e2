#include "engine/CaptureEngine.h"

#include "engine/EngineBinding.h"
#include "controls/KeyCodes.h"


#include <QEventLoop>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <pthread.h>

#include "engine/core/record/CaptureSession.h"

namespace pelta {

using namespace engine;

namespace {
// The preview works in the surface's physical pixels, so that at 100 % one picture pixel
// is one screen pixel whatever the device pixel ratio.
QSize PhysicalSize(const QWidget& w) {
    const qreal dpr = w.devicePixelRatioF();
    return {qRound(w.width() * dpr), qRound(w.height() * dpr)};
}
}  // namespace

// The full-screen view paints the same picture as the preview window.
class FullScreenView final : public QWidget {
public:
    explicit FullScreenView(CaptureEngine& e) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), e_(e) {
        setObjectName(QStringLiteral("CaptureEngineFullScreen"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        e_.NotePainted(*this, event->region());
        QPainter p(this);
        e_.PaintPreview(*this, p);
    }
    void keyPressEvent(QKeyEvent* ev) override { e_.KeyFromSurface(ev); }
    void resizeEvent(QResizeEvent*) override {
        const QSize size = PhysicalSize(*this);
        e_.surfaceW_ = size.width();
        e_.surfaceH_ = size.height();
        ++e_.previewGeneration_;
    }

private:
    CaptureEngine& e_;
};


CaptureEngine::CaptureEngine(QWidget* parent) : QWidget(parent), core_(std::make_unique<EngineCore>()) {
    setObjectName(QStringLiteral("CaptureEngine"));
    setAccessibleName(QStringLiteral("Preview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    session_ = std::make_unique<CaptureSession>(*core_, [this](EngineEventKind k, int32_t v) { Post(k, v); });
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
    // Devices are opened on a worker thread; meanwhile the window goes on painting and the
    // engine's events go on being raised (user input waits), and the caller gets the result
    // (or the device's refusal) when the work is done.
    core_->SetWorkRunner([](const std::function<void()>& work) {
        QEventLoop loop;
        std::exception_ptr failure;
        std::thread worker([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
        if (failure) std::rethrow_exception(failure);
    });
    previewThread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "preview");
        PreviewLoop();
    });
    core_->AddListener(this);
}

CaptureEngine::~CaptureEngine() {
    core_->RemoveListener(this);
    mailbox_.Lock()->Stop = true;
    mailboxCv_.notify_all();
    previewThread_.join();
    av_frame_free(&mailbox_.Lock()->Picture);
    sound_.reset();
    session_.reset();
    core_.reset();
    delete fullScreen_;
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

void CaptureEngine::OnSourceVideoFrame(const AVFrame* frame, AVRational) {
    if (tap_ == 0) OfferPicture(frame, true, false);
}

void CaptureEngine::OnVideoFrame(const AVFrame* frame, AVRational) {
    const int tap = tap_;
    if (tap == 1) OfferPicture(frame, !videoChain_.Active(), false);
    else if (tap == 2) OfferPicture(frame, false, true);
}

// Whether a picture offered now would be seen at all.
bool CaptureEngine::WillShow() const {
    return previewOn_ && !pausedByDialog_ && input_ != 2 && surfaceW_ > 0 && surfaceH_ > 0 &&
           (fullScreenShown_ || surfaceShown_);
}

// On the device's thread: decides cheaply whether the picture is wanted and leaves it for
// the preview thread. Nothing here converts, encodes or waits on the preview.
void CaptureEngine::OfferPicture(const AVFrame* frame, bool mayBeUnchanged, bool compress) {
    if (!WillShow()) return;
    const uint64_t generation = previewGeneration_;
    const bool current = generation == convertedGeneration_;
    const int cap = [&] {
        const auto settings = previewSettings_.Lock();
        return session_->Capturing() && settings->RateWhileCapturing > 0 ? settings->RateWhileCapturing
                                                                         : settings->MaxRate;
    }();
    const bool unchanged = mayBeUnchanged && IsUnchanged(frame);
    AVFrame* copy = nullptr;
    {
        auto box = mailbox_.Lock();
        // A still screen: the picture already shown (or waiting to be) is still right.
        if (unchanged && current && !box->MissedChange) {
            ++previewSkipped_;
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (cap > 0 && current) {
            if (now < box->NextShow) {
                box->MissedChange |= !unchanged;
                ++previewSkipped_;
                return;
            }
            // A little slack, so that a 30 fps device capped at 15 shows every other picture.
            box->NextShow = now + std::chrono::microseconds(900000 / cap);
        }
        copy = av_frame_clone(frame);  // a new reference, no pixel copy
        if (!copy) return;
        if (box->Picture) {
            // The waiting picture is replaced: its changes are not in the newer one's area.
            av_frame_free(&box->Picture);
            ++previewSkipped_;
            mayBeUnchanged = false;
            av_dict_set(&copy->metadata, kChangedAreaKey, nullptr, 0);
        }
        if (box->MissedChange) {
            mayBeUnchanged = false;
            av_dict_set(&copy->metadata, kChangedAreaKey, nullptr, 0);
        }
        box->MissedChange = false;
        box->Picture = copy;
        box->MayBeUnchanged = mayBeUnchanged;
        box->Compress = compress;
    }
    mailboxCv_.notify_one();
}

void CaptureEngine::PreviewLoop() {
    for (;;) {
        AVFrame* frame = nullptr;
        bool mayBeUnchanged = false, compress = false;
        uint64_t epoch = 0;
        {
            auto box = mailbox_.Lock();
            box.Wait(mailboxCv_, [&] { return box->Stop || box->Picture; });
            if (box->Stop) return;
            std::swap(frame, box->Picture);
            mayBeUnchanged = box->MayBeUnchanged;
            compress = box->Compress;
            epoch = box->DeviceEpoch;
        }
        if (compress && WillShow()) {
            if (AVFrame* compressed = CompressForPreview(frame)) {
                av_frame_free(&frame);
                frame = compressed;
            }
        }
        Present(frame, mayBeUnchanged, epoch);
        av_frame_free(&frame);
    }
}

// On the preview thread: converts the picture for the window and asks for a repaint.
void CaptureEngine::Present(const AVFrame* frame, bool mayBeUnchanged, uint64_t deviceEpoch) {
    if (!WillShow()) return;
    const int sw = surfaceW_, sh = surfaceH_;
    const uint64_t generation = previewGeneration_;
    if (mayBeUnchanged && IsUnchanged(frame) && generation == convertedGeneration_) {
        ++previewSkipped_;
        return;
    }
    const PreviewSettings settings = previewSettings_.Get();
    const int fit = fullScreenShown_ ? 0 : fit_.load();
    // Only "fit" keeps a shape; the chosen aspect ratio stands in for the picture's own.
    const int shapeW = fit == 0 ? PreviewAspectWidth(settings, frame->width, frame->height) : frame->width;
    const PictureRect r = PreviewRectFor(fit, shapeW, frame->height, sw, sh);
    PreviewPicture picture = converter_.Convert(frame, r, sw, sh, PreviewScaleFlags(settings));
    // Only the part that changed is drawn again, when the source says which part and the
    // picture lands 1:1 where the last one did.
    QRect dirty(0, 0, sw, sh);
    ChangedArea changed;
    if (picture.ZeroCopy && generation == convertedGeneration_ && r == PictureRectNow() &&
        GetChangedArea(frame, changed))
        dirty = QRect(r.X + changed.X, r.Y + changed.Y, changed.Width, changed.Height);
    {
        std::lock_guard lock(imageMutex_);
        // A picture of the device before the last change of device is not shown, nor one
        // converted while a dialog came to pause the preview: the pause is set under this
        // lock, so once it is, no picture on its way is taken any more.
        if (mailbox_.Lock()->DeviceEpoch != deviceEpoch || !WillShow()) return;
        convertedGeneration_ = generation;
        image_ = std::move(picture.Image);
        imagePos_ = picture.Position;
        rect_ = r;
        ++previewShown_;
    }
    RequestRepaint(dirty);
}

// What the selected video compressor makes of the picture: encoded and decoded again.
// "No Recompression" shows the picture as it is.
AVFrame* CaptureEngine::CompressForPreview(const AVFrame* frame) {
    const std::string encoder = session_->ChosenVideoEncoder();
    if (encoder.empty()) return nullptr;
    ++previewCompressed_;
    return compressorTap_.Process(frame, encoder, session_->EncoderSettingsFor(encoder));
}

void CaptureEngine::InvalidatePreview() {
    ++previewGeneration_;
    update();
    if (fullScreen_) fullScreen_->update();
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
    // Sound is heard with either preview source that has it ("Video and Audio", "Audio
    // only"); PreviewSound itself refuses outputs whose sound would come back in this input.
    const int input = input_;
    if (previewOn_ && input != 1 && frame->format == AV_SAMPLE_FMT_S16 && channels > 0) {
        const DeviceInfo* out = core_->SelectedOutput();
        const DeviceInfo* in = core_->SelectedAudioDevice();
        const std::string sink = out ? out->Url : std::string();
        const std::string heard =
            in && in->Kind == DeviceKind::Microphone && in->InputFormat == "pulse" ? in->Url : std::string();
        if (!sound_ || sound_->Sink() != sink || sound_->HeardSource() != heard ||
            sound_->SampleRate() != frame->sample_rate || sound_->Channels() != channels)
            sound_ = std::make_unique<PreviewSound>(sink, heard, frame->sample_rate, channels);
        sound_->Push(reinterpret_cast<const int16_t*>(frame->data[0]), frame->nb_samples);
        soundState_ = sound_->CurrentState();
    } else {
        sound_.reset();
        soundState_ = PreviewSound::State::Starting;
    }
    // The meter moves: in "Audio only", and over the picture while the sound is held back.
    if (previewOn_ && (input == 2 || (input == 0 && soundState_ == PreviewSound::State::HeldBack))) RequestRepaint();
}

void CaptureEngine::OnSourceLost(bool, const std::string&) { RequestRepaint(); }

void CaptureEngine::RequestRepaint(const QRect& area) {
    {
        std::lock_guard lock(imageMutex_);
        dirty_ = area.isNull() ? QRect(0, 0, surfaceW_, surfaceH_) : dirty_.united(area);
    }
    if (repaintPending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            repaintPending_ = false;
            QRect area;
            {
                std::lock_guard lock(imageMutex_);
                area = dirty_;
                dirty_ = QRect();
            }
            // The area is in physical pixels; widgets update in logical ones.
            QWidget* surface = fullScreen_ ? fullScreen_ : this;
            const qreal dpr = surface->devicePixelRatioF();
            if (dpr == 1.0) {
                const QRegion rest = DrawDirect(*surface, area);
                if (!rest.isEmpty()) surface->update(rest);
                return;
            }
            surface->update(QRectF(area.x() / dpr, area.y() / dpr, area.width() / dpr, area.height() / dpr)
                                .toAlignedRect());
        },
        Qt::QueuedConnection);
}

void CaptureEngine::VideoInputList::SetSelected(int32_t i) {
    e_.core_->VideoInputs().SetSelected(i);
    {
        // The old device is closed: a picture of it still waiting or being converted is dropped.
        auto box = e_.mailbox_.Lock();
        av_frame_free(&box->Picture);
        ++box->DeviceEpoch;
    }
    {
        std::lock_guard lock(e_.imageMutex_);
        e_.image_ = QImage();
    }
    e_.InvalidatePreview();
}

QImage CaptureEngine::PreviewImage() const {
    std::lock_guard lock(imageMutex_);
    return image_;
}

PictureRect CaptureEngine::PictureRectNow() const {
    std::lock_guard lock(imageMutex_);
    return rect_;
}

namespace {
// A level bar in `area`, green to red as it nears full scale.
void PaintMeter(QPainter& p, const QRect& area, double level) {
    const double lvl = std::clamp(level, 0.0, 1.0);
    p.fillRect(area, Qt::black);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(area.adjusted(0, 0, -1, -1));
    const QColor c = lvl > 0.9 ? QColor(220, 40, 40) : (lvl > 0.6 ? QColor(230, 190, 40) : QColor(40, 200, 80));
    p.fillRect(QRect(area.x() + 1, area.y() + 1, int((area.width() - 2) * lvl), area.height() - 2), c);
}
const char* const kHeldBackText = "Sound not played: it would be recorded again";
}  // namespace

void CaptureEngine::PaintPreview(QWidget& surface, QPainter& p) {
    if (!previewOn_ || input_ == 2) p.fillRect(surface.rect(), Qt::black);
    if (!previewOn_) return;
    const bool heldBack = soundState_ == PreviewSound::State::HeldBack;
    if (input_ == 2) {
        const int barW = surface.width() - 40, barH = std::min(40, surface.height() / 4);
        const QRect frameRect(20, (surface.height() - barH) / 2, barW, barH);
        PaintMeter(p, frameRect, level_.load());
        if (heldBack) {
            p.setPen(QColor(200, 200, 200));
            p.drawText(QRect(20, frameRect.bottom() + 8, barW, 24), Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(kHeldBackText));
        }
        return;
    }
    // A change of the device pixel ratio (another screen) changes the physical size alone.
    const QSize physical = PhysicalSize(surface);
    if (&surface == (fullScreen_ ? fullScreen_ : this) &&
        (physical.width() != surfaceW_ || physical.height() != surfaceH_)) {
        surfaceW_ = physical.width();
        surfaceH_ = physical.height();
        ++previewGeneration_;
    }
    {
        std::lock_guard lock(imageMutex_);
        if (image_.isNull()) {
            p.fillRect(surface.rect(), Qt::black);
        } else {
            // The picture was made in physical pixels: draw it one device pixel per picture pixel.
            const qreal dpr = surface.devicePixelRatioF();
            p.save();
            p.scale(1 / dpr, 1 / dpr);
            // Black only around the picture: filling under it too would write every pixel twice.
            const QRect pictureArea(imagePos_, image_.size());
            for (const QRect& around : QRegion(QRect(QPoint(0, 0), physical)).subtracted(QRegion(pictureArea)))
                p.fillRect(around, Qt::black);
            p.drawImage(imagePos_, image_);
            p.restore();
        }
    }
    // The sound is not played: its level is shown along the bottom instead.
    if (input_ == 0 && heldBack) {
        const int h = std::min(10, surface.height() / 8);
        PaintMeter(p, QRect(0, surface.height() - h, surface.width(), h), level_.load());
    }
}

void CaptureEngine::paintEvent(QPaintEvent* event) {
    NotePainted(*this, event->region());
    QPainter p(this);
    PaintPreview(*this, p);
}

void CaptureEngine::resizeEvent(QResizeEvent*) {
    if (!fullScreen_) {
        const QSize size = PhysicalSize(*this);
        surfaceW_ = size.width();
        surfaceH_ = size.height();
        ++previewGeneration_;
    }
}

void CaptureEngine::keyPressEvent(QKeyEvent* e) { KeyFromSurface(e); }

// The preview works only while someone can see it: not while this window is hidden or its
// window minimised.
void CaptureEngine::UpdateShown() {
    const bool shown = isVisible() && !window()->isMinimized();
    if (shown != surfaceShown_.exchange(shown) && shown) ++previewGeneration_;
}

void CaptureEngine::showEvent(QShowEvent*) {
    window()->removeEventFilter(this);
    if (window() != this) window()->installEventFilter(this);
    UpdateShown();
}

void CaptureEngine::hideEvent(QHideEvent*) { UpdateShown(); }

void CaptureEngine::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) UpdateShown();
    QWidget::changeEvent(event);
}

bool CaptureEngine::eventFilter(QObject* watched, QEvent* event) {
    RepaintStaleOnExpose(watched, event);
    if (watched == window() && (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Show ||
                                event->type() == QEvent::Hide))
        UpdateShown();
    return QWidget::eventFilter(watched, event);
}

void CaptureEngine::KeyFromSurface(QKeyEvent* e) {
    int16_t code = VirtualKeyCode(e->key());
    const int16_t shift = ShiftMask(e->modifiers());
    if (sink_) sink_->WindowKeyDown(code, shift);
}

void CaptureEngine::SetPreviewOn(bool on) {
    previewOn_ = on;
    if (!on) {
        std::lock_guard lock(imageMutex_);
        image_ = QImage();
    }
    InvalidatePreview();
}

PreviewSettings CaptureEngine::Preview() const { return previewSettings_.Get(); }

void CaptureEngine::SetPreview(const PreviewSettings& settings) {
    previewSettings_.Set(settings);
    InvalidatePreview();
    ChoicesChanged();
}
void CaptureEngine::SetPreviewFit(int32_t fit) {
    fit_ = fit;
    InvalidatePreview();
}
void CaptureEngine::SetPreviewInput(int32_t input) {
    if (input < 0 || input > 2) throw EngineError("The preview source must be 0, 1 or 2.");
    input_ = input;
    InvalidatePreview();
    ChoicesChanged();
}
void CaptureEngine::SetPreviewTap(int32_t tap) {
    if (tap < 0 || tap > 2) throw EngineError("The preview tap must be 0, 1 or 2.");
    tap_ = tap;
    InvalidatePreview();
    ChoicesChanged();
}

void CaptureEngine::FlipFullScreen() {
    // What the old surface's backing store held no longer matters; the new one is painted whole.
    ForgetStale();
    if (fullScreen_) {
        fullScreen_->hide();
        fullScreen_->deleteLater();
        fullScreen_ = nullptr;
        fullScreenShown_ = false;
        const QSize size = PhysicalSize(*this);
        surfaceW_ = size.width();
        surfaceH_ = size.height();
        InvalidatePreview();
        return;
    }
    if (FullScreenMetric() == 0.0f) return;
    fullScreen_ = new FullScreenView(*this);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) fullScreen_->setGeometry(screen->geometry());
    const QSize size = PhysicalSize(*fullScreen_);
    surfaceW_ = size.width();
    surfaceH_ = size.height();
    fullScreenShown_ = true;
    ++previewGeneration_;
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
void CaptureEngine::SetTimeLimitOn(bool on) { session_->SetTimeLimitOn(on); ChoicesChanged(); }
double CaptureEngine::TimeLimitSeconds() const { return session_->TimeLimitSeconds(); }
void CaptureEngine::SetTimeLimitSeconds(double s) { session_->SetTimeLimitSeconds(s); ChoicesChanged(); }
bool CaptureEngine::FrameRateOn() const { return session_->FrameRateOn(); }
void CaptureEngine::SetFrameRateOn(bool on) { session_->SetFrameRateOn(on); ChoicesChanged(); }
double CaptureEngine::FrameRateValue() const { return session_->FrameRateValue(); }
void CaptureEngine::SetFrameRateValue(double v) { session_->SetFrameRateValue(v); ChoicesChanged(); }
double CaptureEngine::FrameGapSeconds() const { return session_->FrameGapSeconds(); }
void CaptureEngine::SetFrameGapSeconds(double s) { session_->SetFrameGapSeconds(s); ChoicesChanged(); }
int32_t CaptureEngine::MasterStreamIndex() const { return session_->MasterStreamIndex(); }
void CaptureEngine::SetMasterStreamIndex(int32_t i) { session_->SetMasterStreamIndex(i); ChoicesChanged(); }
int32_t CaptureEngine::FramesCaptured() const { return session_->FramesCaptured(); }
int32_t CaptureEngine::FramesDropped() const { return session_->FramesDropped(); }
int32_t CaptureEngine::MeanFrameBytes() const { return session_->MeanFrameBytes(); }
double CaptureEngine::ElapsedSeconds() const { return session_->ElapsedSeconds(); }
std::string CaptureEngine::LastErrorText() const { return session_->LastErrorText(); }
CompressorList& CaptureEngine::SessionVideoCompressors() { return session_->VideoCompressorList(); }
CompressorList& CaptureEngine::SessionAudioCompressors() { return session_->AudioCompressorList(); }

}  // namespace pelta
