#include "mainwindow/StatusBarPanels.h"

#include "controls/Twips.h"
#include "mainwindow/StatusBarAccessible.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <stdexcept>

#include <X11/XKBlib.h>

namespace pelta {

StatusBarPanels::StatusBarPanels(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sbMain"));
    InstallStatusBarAccessible();
    // Lock keys change outside the program too; a slow refresh keeps the indicators true.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    timer->start(500);
}

void StatusBarPanels::Changed() {
    update();
    AnnouncePanelChanges(*this, announced_);
}

void StatusBarPanels::Add() {
    panels_.push_back({});
    update();
}

void StatusBarPanels::Remove(int index) {
    if (index < 1 || index > Count()) throw std::out_of_range("no such panel");
    panels_.erase(panels_.begin() + (index - 1));
    update();
}

void StatusBarPanels::Clear() {
    panels_.clear();
    update();
}

StatusPanel& StatusBarPanels::Panel(int index) {
    if (index < 1 || index > Count()) throw std::out_of_range("no such panel");
    return panels_[size_t(index - 1)];
}
const StatusPanel& StatusBarPanels::Panel(int index) const {
    if (index < 1 || index > Count()) throw std::out_of_range("no such panel");
    return panels_[size_t(index - 1)];
}

int StatusBarPanels::LockState(PanelStyle style) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* dpy = x11 ? x11->display() : nullptr;
    if (!dpy) return -1;
    const char* name = style == PanelStyle::CapsLock ? "Caps Lock" : style == PanelStyle::NumLock ? "Num Lock" : "Scroll Lock";
    Atom atom = XInternAtom(dpy, name, True);
    Bool on = False;
    if (atom == None || !XkbGetNamedIndicator(dpy, atom, nullptr, &on, nullptr, nullptr)) return -1;
    return on ? 1 : 0;
}

int StatusBarPanels::PanelAt(const QPoint& p) const {
    int x = 0;
    for (int i = 0; i < Count(); ++i) {
        const int w = TwipsToPixels(panels_[size_t(i)].WidthTwips);
        if (p.x() >= x && p.x() < x + w) return i + 1;
        x += w;
    }
    return 0;
}

QString StatusBarPanels::ToolTipFor(int index) const {
    const StatusPanel& panel = Panel(index);
    QString text = panel.Text;
    if (panel.Style != PanelStyle::Text)
        text = panel.Style == PanelStyle::CapsLock  ? QCoreApplication::translate("StatusBarPanels", "Caps Lock")
               : panel.Style == PanelStyle::NumLock ? QCoreApplication::translate("StatusBarPanels", "Num Lock")
                                                    : QCoreApplication::translate("StatusBarPanels", "Scroll Lock");
    if (!panel.ToolTipText.isEmpty() && panel.ToolTipText != text)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + panel.ToolTipText;
    return text;
}

QString StatusBarPanels::ShownText(int index) const {
    const StatusPanel& panel = Panel(index);
    QString text = panel.Text;
    if (panel.Style != PanelStyle::Text) {
        text = panel.Style == PanelStyle::CapsLock  ? QCoreApplication::translate("StatusBarPanels", "CAPS")
               : panel.Style == PanelStyle::NumLock ? QCoreApplication::translate("StatusBarPanels", "NUM")
                                                    : QCoreApplication::translate("StatusBarPanels", "SCRL");
        if (LockState(panel.Style) == -1) text += u'?';
    }
    // The frame takes a pixel each side, the text keeps 3 more from it.
    return fontMetrics().elidedText(text, Qt::ElideRight, TwipsToPixels(panel.WidthTwips) - 2 - 6);
}

void StatusBarPanels::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    int x = 0;
    for (int i = 1; i <= Count(); ++i) {
        const StatusPanel& panel = panels_[size_t(i - 1)];
        const int w = TwipsToPixels(panel.WidthTwips);
        const QRect r(x + 1, 2, w - 2, height() - 4);
        p.setPen(palette().mid().color());
        p.drawRect(r.adjusted(0, 0, -1, -1));
        QColor colour = palette().windowText().color();
        if (panel.Style != PanelStyle::Text && LockState(panel.Style) != 1) colour = palette().mid().color();
        p.setPen(colour);
        p.drawText(r.adjusted(3, 0, -3, 0), int(panel.Alignment | Qt::AlignVCenter), ShownText(i));
        x += w;
    }
}

void StatusBarPanels::mousePressEvent(QMouseEvent* e) {
    if (const int i = PanelAt(e->position().toPoint())) emit PanelClicked(i);
}

bool StatusBarPanels::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int i = PanelAt(help->pos());
        const QString tip = i ? ToolTipFor(i) : QString();
        if (!tip.isEmpty())
            QToolTip::showText(help->globalPos(), tip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

}  // namespace pelta
