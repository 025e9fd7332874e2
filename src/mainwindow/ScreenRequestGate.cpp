#include "mainwindow/ScreenRequestGate.h"

#include "controls/Prompts.h"
#include "engine/core/devices/wayland/ScreenCastShare.h"
#include "engine/UiRelay.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace pelta {

namespace {

using engine::ScreenCastShare;

class ShownWatch final : public QObject {
public:
    explicit ShownWatch(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }
    ~ShownWatch() override { ScreenCastShare::SetRefusalListener({}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show && !released_) {
            released_ = true;
            QPointer<QWidget> window = window_;
            // The portal's thread tells of a refusal; the message box comes on this thread.
            ScreenCastShare::SetRefusalListener([this, window](const std::string& why) {
                relay_.Send([window, text = QString::fromStdString(why)] {
                    Prompts().Message(window, text, ApplicationTitle(), PromptButtons::Ok);
                });
            });
            // After the window has been painted once.
            QTimer::singleShot(0, this, [] { ScreenCastShare::ReleaseRequests(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
    bool released_ = false;
    UiRelay relay_;
};

}  // namespace

void HoldScreenRequests() { ScreenCastShare::HoldRequests(); }

void ReleaseScreenRequestsWhenShown(QWidget* mainWindow) {
    if (!mainWindow) {
        ScreenCastShare::ReleaseRequests();
        return;
    }
    new ShownWatch(mainWindow);
}

}  // namespace pelta
