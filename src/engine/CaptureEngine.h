// The engine control: the preview surface in the main window, and the engine's events
// raised on the UI thread. Everything else of the engine's members lives without Qt in
// engine::EngineMembers; the property dialogs are opened by PropertyDialogLauncher.
#pragma once

#include "engine/core/EngineMembers.h"
#include "engine/DirectPreview.h"
#include "engine/PropertyDialogLauncher.h"
#include "engine/UiRelay.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <memory>
#include <mutex>

class QDialog;

namespace pelta {

// Made before the engine's members and gone after them: their threads send through it.
struct UiRelayHolder {
    UiRelay relay_;
};

class CaptureEngine final : public QWidget, private UiRelayHolder, public engine::EngineMembers {
    Q_OBJECT
public:
    explicit CaptureEngine(QWidget* parent = nullptr);
    ~CaptureEngine() override;

    // The newest picture as drawn now (for tests and full screen), and where it lies.
    QImage PreviewImage() const;
    engine::PictureRect PictureRectNow() const;
    // Updates drawn straight into the window, past Qt's backing store.
    int64_t PreviewPicturesDirect() const { return previewDirect_; }
    // Shows one of the engine's property dialogs, pausing the preview when asked to.
    void ExecPropertyDialog(QDialog& dialog);

    bool FullScreenOn() const override { return fullScreen_ != nullptr; }
    void FlipFullScreen() override;
    bool DialogAvailable(int32_t DialogId) const override { return dialogs_.Available(DialogId); }
    void OpenDialog(int32_t DialogId, uintptr_t ParentWindow) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void PreviewChanged() override;
    void PictureDropped() override;
    bool ShowPicture(engine::ShownPicture& picture) override;
    engine::PictureRect ShownRect() const override { return PictureRectNow(); }
    void RepaintNeeded() override { RequestRepaint(); }

private:
    friend class FullScreenView;
    void UpdateShown();
    void SurfaceResized(QWidget& surface);
    void Post(engine::EngineEventKind kind, int32_t value);
    void Raise(engine::EngineEventKind kind, int32_t value);
    void DevicesSettled(const std::string& refusal);
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

    PropertyDialogLauncher dialogs_{*this};
    QPointer<QDialog> openDialog_;  // the property dialog shown now

    // The picture the window draws: the preview thread leaves the newest one here.
    mutable std::mutex imageMutex_;
    QImage image_;
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

    QWidget* fullScreen_ = nullptr;  // UI thread
};

}  // namespace pelta
