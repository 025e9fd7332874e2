#include "controls/xpcmdbutton.h"

#include "controls/ButtonSkin.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace pelta {

namespace {

// The caption as the label shows it: "&x" underlines x, "&&" is a literal ampersand.
QString CaptionHtml(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        QChar c = caption[i];
        if (c == u'&' && i + 1 < caption.size()) {
            QChar next = caption[++i];
            if (next == u'&') out += QStringLiteral("&amp;");
            else out += QStringLiteral("<u>") + QString(next).toHtmlEscaped() + QStringLiteral("</u>");
            continue;
        }
        out += QString(c).toHtmlEscaped();
    }
    return out.replace(u' ', QStringLiteral("&nbsp;"));
}

}  // namespace

int16_t ButtonMask(Qt::MouseButtons b) {
    return int16_t((b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0));
}

QColor xpcmdbutton::EnabledCaptionColour() { return QColor(0, 0, 0); }
QColor xpcmdbutton::DisabledCaptionColour() { return QColor(161, 161, 146); }

xpcmdbutton::xpcmdbutton(QWidget* parent, const QString& name) : QAbstractButton(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(6, 6);
    resize(75, 23);

    lbl_ = new QLabel(this);
    lbl_->setObjectName(QStringLiteral("lbl"));
    lbl_->setTextFormat(Qt::RichText);
    lbl_->setAlignment(Qt::AlignCenter);
    lbl_->setAttribute(Qt::WA_TranslucentBackground);
    lbl_->setAutoFillBackground(false);
    // The label's clicks and moves are the button's own.
    lbl_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont f(QStringLiteral("Tahoma"), 9);
    f.setStyleHint(QFont::SansSerif);
    f.setWeight(QFont::Normal);
    lbl_->setFont(f);

    // Every way of pressing the button (mouse, keys, access key, a screen reader's action)
    // goes through QAbstractButton::click().
    connect(this, &QAbstractButton::clicked, this, &xpcmdbutton::Click);
    InitProperties(name, parent ? parent->font() : font());
}

xpcmdbutton::~xpcmdbutton() {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
}

void xpcmdbutton::InitProperties(const QString& displayName, const QFont& containerFont) {
    state_ = 0;
    setEnabled(true);
    SetCaption(displayName);
    setFont(containerFont);
    RedrawAtRest();
    ApplyCaptionColour();
    changed_.clear();
}

void xpcmdbutton::ReadProperties(const QVariantMap& bag, const QString& displayName, const QFont& containerFont) {
    state_ = bag.value(QStringLiteral("State"), 0).toInt();
    SetEnabled(bag.value(QStringLiteral("Enabled"), true).toBool());
    SetCaption(bag.value(QStringLiteral("Caption"), displayName).toString());
    const QVariant f = bag.value(QStringLiteral("Font"));
    setFont(f.canConvert<QFont>() ? f.value<QFont>() : containerFont);
    changed_.clear();
}

void xpcmdbutton::WriteProperties(QVariantMap& bag, const QString& displayName) const {
    auto put = [&bag](const QString& key, const QVariant& value, const QVariant& def) {
        if (value == def) bag.remove(key);
        else bag.insert(key, value);
    };
    put(QStringLiteral("State"), state_, 0);
    put(QStringLiteral("Enabled"), isEnabled(), true);
    put(QStringLiteral("Caption"), caption_, displayName);
}

void xpcmdbutton::SetEnabled(bool New_Enabled) {
    setEnabled(New_Enabled);
    changed_.insert(QStringLiteral("Enabled"));
    RedrawAtRest();
    ApplyCaptionColour();
}

void xpcmdbutton::SetState(int32_t vNewValue) {
    state_ = vNewValue;
    changed_.insert(QStringLiteral("State"));
    RedrawAtRest();
}

void xpcmdbutton::SetCaption(const QString& vNewCaption) {
    caption_ = vNewCaption;
    lbl_->setText(CaptionHtml(vNewCaption));
    lbl_->adjustSize();
    changed_.insert(QStringLiteral("Caption"));
    // The button's text is what screen readers say; it also grabs the "&x" access key.
    setText(vNewCaption);
    // A change of the label's text runs the resize steps.
    RedrawAtRest();
    CentreCaption();
}

void xpcmdbutton::SetDefault(bool on) {
    default_ = on;
    WatchWindow();
}

void xpcmdbutton::SetCancel(bool on) {
    cancel_ = on;
    WatchWindow();
}

void xpcmdbutton::RedrawAtRest() {
    if (!lbl_) return;
    if (state_ == 1) nRestCell_ = SkinCell::Highlighted;
    else if (state_ == 0) nRestCell_ = SkinCell::Normal;
    PaintCell(isEnabled() ? nRestCell_ : SkinCell::Disabled);
}

void xpcmdbutton::PaintCell(int c) {
    if (cell_ == c) return;
    cell_ = c;
    update();
}

void xpcmdbutton::CentreCaption() {
    if (!lbl_) return;
    lbl_->move((width() - lbl_->width()) / 2, (height() - lbl_->height()) / 2);
}

void xpcmdbutton::ApplyCaptionColour() {
    const QColor c = isEnabled() ? EnabledCaptionColour() : DisabledCaptionColour();
    QPalette p = lbl_->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::Text, c);
    }
    lbl_->setPalette(p);
}

void xpcmdbutton::WatchWindow() {
    QWidget* win = (default_ || cancel_) ? window() : nullptr;
    if (watchedWindow_ == win) return;
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = win;
    if (win && win != this) win->installEventFilter(this);
}

void xpcmdbutton::PointerLeft() {
    hovering_ = false;
    emit MouseOut();
    RedrawAtRest();
}

bool xpcmdbutton::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::Shortcut:
        // The access key clicks at once (QAbstractButton would animate the click first).
        if (static_cast<QShortcutEvent*>(e)->key() == shortcut()) {
            if (isEnabled()) click();
            return true;
        }
        break;
    case QEvent::ParentChange:
        if (watchedWindow_) watchedWindow_->removeEventFilter(this);
        watchedWindow_ = nullptr;
        WatchWindow();
        break;
    default:
        break;
    }
    return QAbstractButton::event(e);
}

bool xpcmdbutton::eventFilter(QObject* watched, QEvent* e) {
    if (watched == watchedWindow_ && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const bool escape = k->key() == Qt::Key_Escape;
        if (((enter && default_) || (escape && cancel_)) && isEnabled() && isVisibleTo(watchedWindow_)) {
            click();
            return true;
        }
    }
    return QAbstractButton::eventFilter(watched, e);
}

void xpcmdbutton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintSkinCell(p, cell_, width(), height());
    if (hasFocus()) {
        // A dotted frame inside the face, clear of the skin's border and inner frames.
        p.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.5, 3.5, width() - 8, height() - 8));
    }
}

void xpcmdbutton::resizeEvent(QResizeEvent* e) {
    QAbstractButton::resizeEvent(e);
    RedrawAtRest();
    CentreCaption();
}

void xpcmdbutton::showEvent(QShowEvent* e) {
    QAbstractButton::showEvent(e);
    WatchWindow();
    RedrawAtRest();
}

void xpcmdbutton::changeEvent(QEvent* e) {
    QAbstractButton::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) hovering_ = spaceDown_ = false;
        RedrawAtRest();
        ApplyCaptionColour();
    }
}

void xpcmdbutton::mousePressEvent(QMouseEvent* e) {
    int16_t button = ButtonMask(e->button());
    int16_t shift = ShiftMask(e->modifiers());
    float x = float(e->position().x()), y = float(e->position().y());
    emit MouseDown(button, shift, x, y);
    PaintCell(SkinCell::Pressed);
}

void xpcmdbutton::mouseMoveEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    const bool inside = pos.x() >= 0 && pos.x() <= width() && pos.y() >= 0 && pos.y() <= height();
    if (!inside) {
        // What the hover poll would find: the pointer is no longer over the button.
        if (hovering_) PointerLeft();
        return;
    }
    hovering_ = true;
    int16_t button = ButtonMask(e->buttons());
    int16_t shift = ShiftMask(e->modifiers());
    float x = float(pos.x()), y = float(pos.y());
    emit MouseMove(button, shift, x, y);
    PaintCell(button == 1 ? SkinCell::Pressed : SkinCell::Hot);
}

void xpcmdbutton::mouseReleaseEvent(QMouseEvent* e) {
    int16_t button = ButtonMask(e->button());
    int16_t shift = ShiftMask(e->modifiers());
    float x = float(e->position().x()), y = float(e->position().y());
    emit MouseUp(button, shift, x, y);
    RedrawAtRest();
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) click();
}

void xpcmdbutton::leaveEvent(QEvent* e) {
    QAbstractButton::leaveEvent(e);
    if (hovering_) PointerLeft();
}

void xpcmdbutton::keyPressEvent(QKeyEvent* e) {
    int16_t code = VirtualKeyCode(e->key());
    int16_t shift = ShiftMask(e->modifiers());
    emit KeyDown(code, shift);
    if (!e->text().isEmpty() && e->text().at(0).unicode() < 0x8000) {
        int16_t ascii = int16_t(e->text().at(0).unicode());
        emit KeyPress(ascii);
    }
    const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        // Enter presses the focused button itself, not the window's default button.
        if (!e->isAutoRepeat()) click();
        return;
    }
    if (plain && e->key() == Qt::Key_Space) {
        if (!e->isAutoRepeat()) {
            spaceDown_ = true;
            PaintCell(SkinCell::Pressed);
        }
        return;
    }
    // Escape and the rest go on to the window, where the cancel button takes Escape.
    e->ignore();
}

void xpcmdbutton::keyReleaseEvent(QKeyEvent* e) {
    int16_t code = VirtualKeyCode(e->key());
    int16_t shift = ShiftMask(e->modifiers());
    emit KeyUp(code, shift);
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat() && spaceDown_) {
        spaceDown_ = false;
        RedrawAtRest();
        click();
        return;
    }
    e->ignore();
}

void xpcmdbutton::focusInEvent(QFocusEvent* e) {
    QAbstractButton::focusInEvent(e);
    update();
}

void xpcmdbutton::focusOutEvent(QFocusEvent* e) {
    QAbstractButton::focusOutEvent(e);
    if (spaceDown_) {
        spaceDown_ = false;
        RedrawAtRest();
    }
    update();
}

}  // namespace pelta
