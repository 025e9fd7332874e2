// The preview drawn straight into the window on X11 (see DirectPreview), and keeping Qt's
// backing store from showing an older picture afterwards.
#include "engine/CaptureEngine.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

namespace pelta {

using namespace engine;

QRegion CaptureEngine::DrawDirect(QWidget& surface, const QRect& area) {
    if (!directTried_) {
        directTried_ = true;
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            direct_ = std::make_unique<DirectPreview>(x11->connection());
    }
    const QRegion all(area);
    // Only the picture is drawn this way: not a sound meter over it, nor a hidden window.
    const int input = view_.Input;
    const bool pictureOnly = input == 1 || (input == 0 && PreviewSoundState() != PreviewSound::State::HeldBack);
    if (!direct_ || !direct_->Available() || !view_.On || !pictureOnly) return all;
    QWindow* handle = surface.window()->windowHandle();
    if (!surface.isVisible() || !handle || !handle->isExposed()) return all;
    QRegion drawn;
    {
        std::lock_guard lock(imageMutex_);
        if (image_.isNull() || image_.format() != QImage::Format_RGB32) return all;
        drawn = all.intersected(QRect(imagePos_, image_.size())).intersected(surface.visibleRegion());
        const DirectPreview::Picture picture{image_.constBits(), int(image_.bytesPerLine()), image_.width(),
                                             image_.height()};
        const QPoint at = imagePos_ + surface.mapTo(surface.window(), QPoint(0, 0));
        const auto window = uint32_t(surface.window()->winId());
        for (const QRect& r : drawn) {
            if (!direct_->Put(window, picture, r.x() - imagePos_.x(), r.y() - imagePos_.y(), r.width(), r.height(),
                              at.x(), at.y()))
                return all;  // no part drawn: a picture lies in shared memory whole or not at all
        }
    }
    // Qt's backing store keeps the older picture there: should Qt show it again from there
    // (the window uncovered, say), it is repainted first.
    if (staleSurface_ != &surface) staleStore_ = QRegion();
    staleSurface_ = &surface;
    staleStore_ += drawn;
    ++previewDirect_;
    if (exposeWatched_ != handle) {
        if (exposeWatched_) exposeWatched_->removeEventFilter(this);
        handle->installEventFilter(this);
        exposeWatched_ = handle;
    }
    return all.subtracted(drawn);
}

void CaptureEngine::RepaintStaleOnExpose(QObject* watched, QEvent* event) {
    if (watched == exposeWatched_ && event->type() == QEvent::Expose && staleSurface_ && !staleStore_.isEmpty())
        staleSurface_->update(staleStore_);
}

void CaptureEngine::ForgetStale() {
    staleStore_ = QRegion();
    staleSurface_ = nullptr;
    if (exposeWatched_) exposeWatched_->removeEventFilter(this);
    exposeWatched_ = nullptr;
}

}  // namespace pelta
