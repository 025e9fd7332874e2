#include "controls/ScreenReader.h"

#include "controls/TextFit.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <limits>

namespace pelta {

namespace {

// How far a label may stand from its control and still be read as its caption (pixels).
constexpr int kBesideReach = 160;
constexpr int kAboveReach = 40;

bool NeedsLabel(QWidget* w) {
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
        qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QAbstractSlider*>(w))
        return true;
    auto* b = qobject_cast<QAbstractButton*>(w);
    return b && b->text().isEmpty();
}

bool IsBuddyOfSomeLabel(QWidget* w, const QList<QLabel*>& labels) {
    for (QLabel* l : labels)
        if (l->buddy() == w) return true;
    return false;
}

// The label read as the control's caption, or nullptr. `freeOnly`: only labels that are
// nobody's buddy yet.
QLabel* CaptionFor(QWidget* control, const QList<QLabel*>& labels, bool freeOnly) {
    const QRect c = control->geometry();
    const bool textlessButton = qobject_cast<QAbstractButton*>(control) != nullptr;
    QLabel* best = nullptr;
    int bestDistance = std::numeric_limits<int>::max();
    bool bestBeside = false;
    for (QLabel* l : labels) {
        if (l->parentWidget() != control->parentWidget() || l->isHidden() || (freeOnly && l->buddy())) continue;
        if (l->objectName() == QLatin1String("LblEnd") || NameFromLabelText(l->text()).isEmpty()) continue;
        const QRect r = l->geometry();
        const int rowCentre = r.center().y();
        const bool sameRow = rowCentre >= c.top() - 2 && rowCentre <= c.bottom() + 2;
        int distance = -1;
        bool beside = false;
        if (sameRow && !textlessButton && r.right() <= c.left() + 2) {
            distance = c.left() - r.right();
            beside = true;
        } else if (sameRow && textlessButton && r.left() >= c.right() - 2) {
            distance = r.left() - c.right();
            beside = true;
        } else if (!textlessButton && r.bottom() <= c.top() + 2 && r.left() < c.right() && r.right() > c.left()) {
            distance = c.top() - r.bottom();
        }
        if (distance < 0 || distance > (beside ? kBesideReach : kAboveReach)) continue;
        // A label on the same row beats one above; then the nearest.
        if ((beside && !bestBeside) || (beside == bestBeside && distance < bestDistance)) {
            best = l;
            bestDistance = distance;
            bestBeside = beside;
        }
    }
    return best;
}

// The dialogs' "x" label: a button named "Close" whose press is a click on the label.
class CloseBoxAccessible final : public QAccessibleWidget {
public:
    explicit CloseBoxAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QCoreApplication::translate("ScreenReader", "Close");
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action != pressAction() || !widget()->isEnabled()) return;
        const QPointF at = QRectF(widget()->rect()).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, widget()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget()->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(widget(), &press);
        QCoreApplication::sendEvent(widget(), &release);
    }
};

// A widget that paints or groups what Qt cannot tell by its class (the preview, a frame of
// option buttons) carries the role to report in the property kRoleProperty.
QAccessibleInterface* CloseBoxFactory(const QString& classname, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (classname == QLatin1String("QLabel") && object->objectName() == QLatin1String("LblEnd"))
        return new CloseBoxAccessible(static_cast<QWidget*>(object));
    const QVariant role = object->property(kRoleProperty);
    if (role.isValid() && object->metaObject()->className() == classname)
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
    return nullptr;
}

// The close box takes the keyboard focus by Tab, shows it with a dotted frame, and closes
// its window with Space or Enter as a click does.
class CloseBoxKeys final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        auto* label = static_cast<QWidget*>(watched);
        if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(label); a && a->actionInterface())
            a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        return true;
    }
};

void MakeCloseBoxFocusable(QLabel* box) {
    if (box->focusPolicy() != Qt::NoFocus) return;
    box->setFocusPolicy(Qt::TabFocus);
    // Last in the Tab order, as it is last in reading order on its row; the window's first
    // control keeps the first focus.
    QWidget* last = nullptr;
    for (QWidget* w = box->window()->nextInFocusChain(); w && w != box->window(); w = w->nextInFocusChain())
        if (w != box && (w->focusPolicy() & Qt::TabFocus) && box->window()->isAncestorOf(w)) last = w;
    if (last) QWidget::setTabOrder(last, box);
    box->setStyleSheet(QStringLiteral("QLabel#LblEnd:focus { border: 1px dotted palette(text); }"));
    box->installEventFilter(new CloseBoxKeys(box));
}

class NameOnShow final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow()) {
                NameControlsForScreenReaders(w);
                GrowToFitTexts(w);
            }
        }
        return false;
    }
};

}  // namespace

QString NameFromLabelText(const QString& text) {
    QString plain = Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    QString out;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (plain[i] == u'&' && i + 1 < plain.size()) ++i;  // "&x" reads x, "&&" one ampersand
        out += plain[i];
    }
    out = out.simplified();
    if (out.endsWith(u':')) out.chop(1);
    return out.trimmed();
}

void NameControlsForScreenReaders(QWidget* window) {
    if (!window) return;
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!NeedsLabel(w) || !w->accessibleName().isEmpty() || IsBuddyOfSomeLabel(w, labels)) continue;
        if (qobject_cast<QAbstractButton*>(w)) {
            // A check box without text, captioned by the label beside it.
            if (QLabel* caption = CaptionFor(w, labels, false))
                w->setAccessibleName(NameFromLabelText(caption->text()));
        } else if (QLabel* caption = CaptionFor(w, labels, true)) {
            // As a buddy the label names the control and is its "labelled by" relation,
            // which is what screen readers on Linux read for lists.
            caption->setBuddy(w);
        } else if (QLabel* shared = CaptionFor(w, labels, false)) {
            w->setAccessibleName(NameFromLabelText(shared->text()));
        }
    }
    // A close label that was asked for its interface before it got its name: ask again.
    // The first focus goes to the window's first control, never to the close box.
    if (QWidget* fw = window->focusWidget(); !fw || fw->objectName() == QLatin1String("LblEnd")) {
        for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
            if (w->objectName() == QLatin1String("LblEnd") || !(w->focusPolicy() & Qt::TabFocus) ||
                !w->isVisibleTo(window) || !w->isEnabled() || !window->isAncestorOf(w))
                continue;
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    for (QLabel* l : labels) {
        if (l->objectName() != QLatin1String("LblEnd")) continue;
        MakeCloseBoxFocusable(l);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(l);
        if (a && a->role() != QAccessible::Button) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(a));
    }
}

void EnableScreenReaderNames() {
    static bool installed = false;
    if (installed || !qApp) return;
    installed = true;
    QAccessible::installFactory(CloseBoxFactory);
    auto* filter = new NameOnShow;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

}  // namespace pelta
