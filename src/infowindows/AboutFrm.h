// The About window: title, the maker's address and notice, and a short help text.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace pelta {

class AboutFrm final : public QDialog {
    Q_OBJECT
public:
    explicit AboutFrm(QWidget* parent = nullptr);

    // The help text: five paragraphs joined by CR LF as the window shows them.
    static QString HelpText();

    QPlainTextEdit* Text1 = nullptr;
    QLabel* LblEnd = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Texts the splash and the About window share.
QString MakerWebAddress();
QString MakerEmailAddress();
QString MakerRightsNotice();

}  // namespace pelta
