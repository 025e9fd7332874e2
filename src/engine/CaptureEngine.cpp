#include "engine/CaptureEngine.h"

#include "controls/EngineWords.h"
#include "controls/KeyCodes.h"
#include "controls/Prompts.h"
#include "engine/dialogs/PropertyDialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

namespace pelta {

using namespace engine;

namespace {
// The preview works in the surface's physical pixels, so that at 100 % one picture pixel
// is one screen pixel whatever the device pixel ratio.
QSize PhysicalSize(const QWidget& w) {
    const qreal dpr = w.devicePixelRatioF();
    return {qRound(w.width() * dpr), qRound(w.height() * dpr)};
}

void FreeFrame(void* frame) {
    auto* f = static_cast<AVFrame*>(frame);
    av_frame_free(&f);
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
    void resizeEvent(QResizeEvent*) override { e_.SurfaceResized(*this); }

private:
    CaptureEngine& e_;
};

CaptureEngine::CaptureEngine(QWidget* parent)
    : QWidget(parent), EngineMembers([this](EngineEventKind k, int32_t v) { Post(k, v); }) {
    setObjectName(QStringLiteral("CaptureEngine"));
    setAccessibleName(QStringLiteral("Preview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // A device chosen in the window is opened on the engine's own thread; the window hears
    // how it went as an event.
    Core().OpenInBackground([this](const std::string& refusal) {
        relay_.Send([this, refusal] { DevicesSettled(refusal); });
    });
    StartPreview();
}

CaptureEngine::~CaptureEngine() {
    EndEngine();
    delete fullScreen_;
}

// ---- events: posted from any thread, raised on the UI thread -------------------------------

void CaptureEngine::Post(EngineEventKind kind, int32_t value) {
    // Progress is coalesced so that a busy UI never piles up events.
    if (kind == EngineEventKind::CaptureProgress && progressPending_.exchange(true)) return;
    relay_.Send([this, kind, value] { Raise(kind, value); });
}

void CaptureEngine::Raise(EngineEventKind kind, int32_t value) {
    if (kind == EngineEventKind::CaptureProgress) progressPending_ = false;
    EngineEvents* sink = Sink();
    if (!sink) return;
    switch (kind) {
    case EngineEventKind::CaptureProgress: sink->CaptureProgress(value); break;
    case EngineEventKind::CaptureEnded: sink->CaptureEnded(); break;
    case EngineEventKind::CaptureError: sink->CaptureError(value); break;
    }
}

// A refusal while one of the engine's dialogs is open is said in the dialog, where the change
// was made; the window is told in any case, to show the choices in use again.
void CaptureEngine::DevicesSettled(const std::string& refusal) {
    bool said = false;
    if (auto* dialog = qobject_cast<PropertyDialog*>(openDialog_.data()); dialog && !refusal.empty()) {
        dialog->ShowProblem(EngineErrorText(refusal));
        said = true;
    }
    if (!refusal.empty()) ChoicesChanged();  // what is stored is what is in use
    if (EngineEvents* sink = Sink()) sink->DevicesSettled(said ? std::string() : refusal);
}

// ---- the picture: handed over by the preview thread, drawn on the UI thread -----------------

// On the preview thread: the converted picture becomes the one drawn, unless it came too
// late: of the device before the last change of device, or converted while a dialog came to
// pause the preview (the pause is set under this lock, so once it is, no picture on its way
// is taken any more).
bool CaptureEngine::ShowPicture(ShownPicture& shown) {
    PreviewPicture& p = shown.Picture;
    QImage image;
    if (!p.IsNull()) {
        auto* pixels = const_cast<uchar*>(p.Pixels);
        const int w = p.Width, h = p.Height, stride = p.Stride;
        image = QImage(pixels, w, h, stride, QImage::Format_RGB32, &FreeFrame, p.ReleaseHolder());
    }
    {
        std::lock_guard lock(imageMutex_);
        if (!shown.From->CurrentEpoch(shown.DeviceEpoch) || !view_.WillShow()) return false;
        shown.From->Took(shown);
        image_ = std::move(image);
        imagePos_ = QPoint(p.X, p.Y);
        rect_ = shown.Rect;
    }
    RequestRepaint(QRect(shown.Dirty.X, shown.Dirty.Y, shown.Dirty.Width, shown.Dirty.Height));
    return true;
}

void CaptureEngine::PreviewChanged() {
    if (!view_.On) {
        std::lock_guard lock(imageMutex_);
        image_ = QImage();
    }
    ++view_.Generation;
    update();
    if (fullScreen_) fullScreen_->update();
}

void CaptureEngine::PictureDropped() {
    {
        std::lock_guard lock(imageMutex_);
        image_ = QImage();
    }
    PreviewChanged();
}

void CaptureEngine::ExecPropertyDialog(QDialog& dialog) {
    // False: the preview stands still until the dialog is closed.
    const bool paused = !duringProperties_ && view_.On;
    {
        // Under the picture's lock: a picture the preview thread converts meanwhile is not taken.
        std::lock_guard lock(imageMutex_);
        view_.PausedByDialog = paused;
    }
    openDialog_ = &dialog;
    Prompts().ExecDialog(dialog);
    openDialog_ = nullptr;
    view_.PausedByDialog = false;
    PreviewChanged();
    ChoicesChanged();
}

void CaptureEngine::OpenDialog(int32_t id, uintptr_t ParentWindow) {
    QWidget* found = ParentWindow ? QWidget::find(static_cast<WId>(ParentWindow)) : nullptr;
    dialogs_.Open(id, found ? found : window());
}

void CaptureEngine::RequestRepaint(const QRect& area) {
    {
        std::lock_guard lock(imageMutex_);
        dirty_ = area.isNull() ? QRect(0, 0, view_.SurfaceW, view_.SurfaceH) : dirty_.united(area);
    }
    if (repaintPending_.exchange(true)) return;
    relay_.Send([this] {
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
    });
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
    if (!view_.On || view_.Input == 2) p.fillRect(surface.rect(), Qt::black);
    if (!view_.On) return;
    const bool heldBack = PreviewSoundState() == PreviewSound::State::HeldBack;
    if (view_.Input == 2) {
        const int barW = surface.width() - 40, barH = std::min(40, surface.height() / 4);
        const QRect frameRect(20, (surface.height() - barH) / 2, barW, barH);
        PaintMeter(p, frameRect, SoundLevel());
        if (heldBack) {
            p.setPen(QColor(200, 200, 200));
            p.drawText(QRect(20, frameRect.bottom() + 8, barW, 24), Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(kHeldBackText));
        }
        return;
    }
    // A change of the device pixel ratio (another screen) changes the physical size alone.
    const QSize physical = PhysicalSize(surface);
    if (&surface == (fullScreen_ ? fullScreen_ : this) &&
        (physical.width() != view_.SurfaceW || physical.height() != view_.SurfaceH)) {
        view_.SurfaceW = physical.width();
        view_.SurfaceH = physical.height();
        ++view_.Generation;
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
    if (view_.Input == 0 && heldBack) {
        const int h = std::min(10, surface.height() / 8);
        PaintMeter(p, QRect(0, surface.height() - h, surface.width(), h), SoundLevel());
    }
}

void CaptureEngine::paintEvent(QPaintEvent* event) {
    NotePainted(*this, event->region());
    QPainter p(this);
    PaintPreview(*this, p);
}

void CaptureEngine::resizeEvent(QResizeEvent*) {
    if (!fullScreen_) SurfaceResized(*this);
}

void CaptureEngine::keyPressEvent(QKeyEvent* e) { KeyFromSurface(e); }

// The preview works only while someone can see it: not while this window is hidden or its
// window minimised.
void CaptureEngine::UpdateShown() {
    const bool shown = isVisible() && !window()->isMinimized();
    if (shown != view_.SurfaceShown.exchange(shown) && shown) ++view_.Generation;
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
    if (EngineEvents* sink = Sink()) sink->WindowKeyDown(code, shift);
}

void CaptureEngine::FlipFullScreen() {
    // What the old surface's backing store held no longer matters; the new one is painted whole.
    ForgetStale();
    if (fullScreen_) {
        fullScreen_->hide();
        fullScreen_->deleteLater();
        fullScreen_ = nullptr;
        view_.FullScreenShown = false;
        SurfaceResized(*this);
        PreviewChanged();
        return;
    }
    if (FullScreenMetric() == 0.0f) return;
    fullScreen_ = new FullScreenView(*this);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) fullScreen_->setGeometry(screen->geometry());
    const QSize size = PhysicalSize(*fullScreen_);
    view_.SurfaceW = size.width();
    view_.SurfaceH = size.height();
    view_.FullScreenShown = true;
    ++view_.Generation;
    fullScreen_->showFullScreen();
    fullScreen_->setFocus();
}

void CaptureEngine::SurfaceResized(QWidget& surface) {
    const QSize size = PhysicalSize(surface);
    view_.SurfaceW = size.width();
    view_.SurfaceH = size.height();
    ++view_.Generation;
}

}  // namespace pelta
