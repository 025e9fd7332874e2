#include "infowindows/AboutFrm.h"

#include "infowindows/ElasticPanel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

namespace pelta {

QString MakerWebAddress() { return QStringLiteral("www.pelta-rx.invalid"); }
QString MakerEmailAddress() { return QStringLiteral("support@pelta-rx.invalid"); }
QString MakerRightsNotice() { return QCoreApplication::translate("AboutFrm", "Copyright (c) Quillmere. All rights reserved."); }

QString AboutFrm::HelpText() {
    const QString crlf = QStringLiteral("\r\n");
    const QString p1 = tr(
        "Record video, audio, or both. For a smoother capture, try using video and audio compression. A list of "
        "available compressors will be listed to select from.");
    const QString p2 = tr(
        "You can set the size, or duration of the file. And you may record just video or just audio files.");
    const QString p3 = tr(
        "Use the Auto Buttons for audio capture, they will be in the way for video capture. The Auto Name feature is "
        "for quick captures. You can add the date for better searching.");
    const QString p4 = tr(
        "Saving the file type lets you capture a group of files all in the same format ... avi, mp3, wav.");
    const QString p5 = tr("If you don't erase the file, it will be overwritten.");
    return p1 + crlf + crlf + QStringLiteral("  ") + crlf + crlf + p2 + crlf + crlf + p3 + crlf + crlf + p4 + crlf +
           crlf + p5;
}

namespace {
QLabel* Label(QWidget* parent, const char* name, const QString& text, const QFont& font, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    l->setGeometry(geometry);
    return l;
}
QFont Font(const char* family, double points, bool bold = false) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}
}  // namespace

AboutFrm::AboutFrm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(tr("Pelta-RX About"));
    setModal(true);
    setFixedSize(TwipsToPixels(6855), TwipsToPixels(4275));
    auto* panel = new VideoSoftElastic(this);
    panel->setObjectName(QStringLiteral("VideoSoftElastic1"));
    panel->SetFillsParent(true);
    panel->setGeometry(rect());
    Label(panel, "Label3", tr("Pelta-RX About"), Font("Tahoma", 18), {14, 8, 300, 34});
    Label(panel, "ErrTitle", MakerWebAddress(), Font("Tahoma", 12, true), {14, 44, 420, 24});
    Label(panel, "Label1", MakerRightsNotice(), Font("MS Serif", 9.75, true), {14, 70, 420, 20});
    Text1 = new QPlainTextEdit(panel);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setPlainText(HelpText());
    Text1->setAccessibleName(tr("Help"));
    Text1->setGeometry(14, 96, width() - 28, height() - 110);
    LblEnd = Label(panel, "LblEnd", tr("x"), Font("MS Sans Serif", 13.5), {width() - 22, 2, 18, 24});
    LblEnd->setCursor(Qt::PointingHandCursor);
    LblEnd->installEventFilter(this);
    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
}

bool AboutFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblEnd && event->type() == QEvent::MouseButtonRelease) {
        done(QDialog::Accepted);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelta
