#include "dialogs/DialogChrome.h"

#include "controls/xpcmdbutton.h"

#include "infowindows/ElasticPanel.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace pelta {

DialogChrome::DialogChrome(QDialog* dialog, const QString& title, const QString& titleName)
    : QObject(dialog), dialog_(dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog->setWindowTitle(title);

    panel_ = new VideoSoftElastic(dialog);
    panel_->lower();

    title_ = new QLabel(title, panel_);
    title_->setObjectName(titleName);
    QFont f = title_->font();
    f.setBold(true);
    title_->setFont(f);
    title_->move(8, 6);
    title_->adjustSize();
    title_->installEventFilter(this);

    end_ = new QLabel(tr("x"), panel_);
    end_->setObjectName(QStringLiteral("LblEnd"));
    QFont ef = end_->font();
    ef.setBold(true);
    end_->setFont(ef);
    end_->setCursor(Qt::PointingHandCursor);
    end_->adjustSize();
    end_->installEventFilter(this);
    dialog->installEventFilter(this);
    PlaceCloseBox();
}

void DialogChrome::PlaceCloseBox() { end_->move(dialog_->width() - end_->width() - 8, 4); }

bool DialogChrome::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dialog_ && event->type() == QEvent::Resize) PlaceCloseBox();
    if (watched == end_ && event->type() == QEvent::MouseButtonRelease) {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::LeftButton && end_->rect().contains(m->position().toPoint())) {
            dialog_->done(QDialog::Rejected);
            return true;
        }
    }
    const QEvent::Type type = event->type();
    if (watched == title_ &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease)) {
        auto* m = static_cast<QMouseEvent*>(event);  // only mouse events reach here
        switch (type) {
        case QEvent::MouseButtonPress:
            if (m->button() == Qt::LeftButton) {
                dragging_ = true;
                dragOffset_ = m->globalPosition().toPoint() - dialog_->frameGeometry().topLeft();
            }
            break;
        case QEvent::MouseMove:
            if (dragging_ && (m->buttons() & Qt::LeftButton)) dialog_->move(m->globalPosition().toPoint() - dragOffset_);
            break;
        case QEvent::MouseButtonRelease:
            dragging_ = false;
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

xpcmdbutton* MakeButton(QWidget* parent, const QString& name, const QString& caption, QRect geometry) {
    auto* b = new xpcmdbutton(parent, name);
    b->SetCaption(caption);
    b->setGeometry(geometry);
    return b;
}

std::pair<xpcmdbutton*, xpcmdbutton*> MakeOkCancel(QWidget* parent, QPoint ok, QPoint cancel) {
    xpcmdbutton* okButton = MakeButton(parent, QStringLiteral("btnOK"), QCoreApplication::translate("DialogChrome", "OK"), {ok, QSize(75, 23)});
    okButton->SetDefault(true);
    xpcmdbutton* cancelButton =
        MakeButton(parent, QStringLiteral("btnCancel"), QCoreApplication::translate("DialogChrome", "Cancel"), {cancel, QSize(75, 23)});
    cancelButton->SetCancel(true);
    return {okButton, cancelButton};
}

bool NumericKeyPasses(int key, const QString& text) {
    if (key == Qt::Key_Backspace) return true;
    return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
}

bool DropsNonDigitKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* k = static_cast<const QKeyEvent*>(event);
    // Only a character that would enter the box is filtered. Keys that type nothing, or a
    // control character (Tab, Enter, Escape, Delete), and shortcuts (Ctrl+A/C/V/Z) pass,
    // so the keyboard can still move on, confirm, cancel and edit.
    if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = k->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return false;
    return !NumericKeyPasses(k->key(), text);
}

}  // namespace pelta
