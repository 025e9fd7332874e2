#include "infowindows/Register.h"

#include "infowindows/AboutFrm.h"
#include "infowindows/ElasticPanel.h"
#include "infowindows/Logo.h"
#include "mainwindow/MainFrm.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace pelta {

namespace {

// The window system the program runs in: a Wayland desktop natively or through XWayland,
// or plain X11; any other platform by Qt's name for it.
QString SessionName() {
    const QString platform = QGuiApplication::platformName();
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QStringLiteral("wayland");
    if (platform.startsWith(QStringLiteral("wayland"))) return QCoreApplication::translate("Register", "Wayland");
    if (platform == QStringLiteral("xcb"))
        return wayland ? QCoreApplication::translate("Register", "XWayland on Wayland")
                       : QCoreApplication::translate("Register", "X11");
    return platform;
}

// The product logo, the same drawing as the program's icon.
class Logo final : public QWidget {
public:
    explicit Logo(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        PaintLogo(p, QRectF(rect()).adjusted(4, 4, -4, -4));
    }
};

QLabel* Label(QWidget* parent, const char* name, const QString& text, const char* family, double points, bool bold,
              QColor colour, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    l->setGeometry(geometry);
    return l;
}

}  // namespace

Register::Register(EngineFactory factory, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), factory_(std::move(factory)) {
    setObjectName(QStringLiteral("Register"));
    // The frameless splash shows no title; screen readers and task lists read this one.
    setWindowTitle(QStringLiteral("Pelta-RX"));
    setFixedSize(TwipsToPixels(9015), TwipsToPixels(4950));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* panel = new VideoSoftElastic(this);
    panel->setObjectName(QStringLiteral("VideoSoftElastic1"));
    panel->SetGradient(Qt::white, QColor(236, 240, 248));
    panel->SetFillsParent(true);
    panel->setGeometry(rect());
    panel->installEventFilter(this);
    auto* image3 = new Logo(panel);
    image3->setObjectName(QStringLiteral("Image3"));
    image3->setGeometry(24, 24, 120, 90);
    auto* image1 = new Logo(panel);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(width() - 84, height() - 74, 60, 45);
    logo_ = image3;
    const QColor grey(128, 128, 128);
    Label(panel, "Label2", QStringLiteral("- Pelx"), "Tahoma", 36, true, Qt::black, {160, 26, 260, 70});
    Label(panel, "Label3", QStringLiteral("v1.5 <sup><span style='font-family:\"MS Serif\"; font-size:6pt; "
                                          "color:#c0c0c0'>TM</span></sup>"),
          "MS Sans Serif", 8.25, true, grey, {430, 60, 80, 24});
    Label(panel, "Label1", tr("Professional"), "Verdana", 12, true, QColor(244, 209, 27), {164, 98, 200, 24});
    auto* l7 = Label(panel, "Label7",
                     tr("Capture screen video, sound, or both, with Pelta-RX Quillmere Capture."),
                     "MS Sans Serif", 8.25, true, grey, {24, 150, 550, 20});
    // The platform and the window system this run shows its windows through.
    auto* l8 = Label(panel, "Label8", tr("Linux (%1), Debian 12").arg(SessionName()), "MS Sans Serif", 8.25, false, grey,
                     {24, 176, 300, 20});
    auto* l4 = Label(panel, "Label4", MakerEmailAddress(), "MS Sans Serif", 8.25, false, grey, {24, 250, 300, 20});
    l4->setCursor(Qt::PointingHandCursor);
    l4->setToolTip(tr("Click here to send e-mail."));
    auto* l6 = Label(panel, "Label6", MakerRightsNotice() + QStringLiteral("\n") + MakerWebAddress(), "MS Sans Serif",
                     8.25, false, grey, {24, 274, 420, 36});
    l6->setCursor(Qt::PointingHandCursor);
    l6->setToolTip(tr("Click here to go to web site."));
    for (QWidget* w : std::initializer_list<QWidget*>{image3, image1, findChild<QLabel*>(QStringLiteral("Label1")), l4,
                                                      l6, l7, l8})
        w->installEventFilter(this);
    findChild<QLabel*>(QStringLiteral("Label2"))->installEventFilter(this);
    findChild<QLabel*>(QStringLiteral("Label3"))->installEventFilter(this);
    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
}

void Register::Load() {
    try {
        main_ = new MainFrm(factory_);
        main_->setAttribute(Qt::WA_DeleteOnClose);
        main_->Load();
    } catch (const std::exception&) {
    }
    raise();
    QApplication::processEvents();
    if (main_) main_->raise();
}

void Register::Dismiss() {
    if (main_) main_->show();
    close();
    deleteLater();
}

bool Register::eventFilter(QObject* watched, QEvent* event) {
    const bool mouse = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    // The title and version take clicks without doing anything.
    if (mouse && (watched->objectName() == QStringLiteral("Label2") || watched->objectName() == QStringLiteral("Label3")))
        return true;
    // The e-mail and web lines only close the splash: nothing else is started.
    if (event->type() == QEvent::MouseButtonRelease && watched != this) {
        Dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Register::paintEvent(QPaintEvent* e) { QWidget::paintEvent(e); }
void Register::resizeEvent(QResizeEvent*) { update(); }

}  // namespace pelta
