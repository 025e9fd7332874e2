#include "controls/Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace pelta {

namespace {

class QtPrompts final : public PromptSeam {
public:
    PromptAnswer Message(QWidget* owner, const QString& text, const QString& title,
                         PromptButtons buttons, bool defaultYes) override {
        QMessageBox box(owner);
        box.setText(text);
        box.setWindowTitle(title);
        box.setIcon(QMessageBox::NoIcon);
        switch (buttons) {
        case PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.exec();
            return PromptAnswer::Ok;
        case PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            return box.exec() == QMessageBox::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
        case PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
        }
        return PromptAnswer::Cancel;
    }

    void DetailedMessage(QWidget* owner, const QString& text, const QString& title, const QString& detail) override {
        QMessageBox box(owner);
        box.setText(text);
        box.setWindowTitle(title);
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        if (!detail.isEmpty()) box.setDetailedText(detail);
        box.exec();
    }

    QString SaveFileName(const SaveFileRequest& r) override {
        QFileDialog dlg(r.Owner, r.Title, r.InitialFolder, r.Filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !r.ConfirmOverwrite);
        if (!r.DefaultSuffix.isEmpty()) dlg.setDefaultSuffix(r.DefaultSuffix);
        if (!r.InitialName.isEmpty()) dlg.selectFile(r.InitialName);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
        return dlg.selectedFiles().first();
    }

    QString OpenFileName(const OpenFileRequest& r) override {
        return QFileDialog::getOpenFileName(r.Owner, r.Title, r.InitialFolder, r.Filter);
    }

    QString ExistingFolder(QWidget* owner, const QString& title, const QString& startFolder) override {
        return QFileDialog::getExistingDirectory(owner, title, startFolder, QFileDialog::ShowDirsOnly);
    }

    int ExecDialog(QDialog& dialog) override { return dialog.exec(); }
};

QtPrompts gQtPrompts;
PromptSeam* gInstalled = nullptr;

}  // namespace

PromptSeam& Prompts() { return gInstalled ? *gInstalled : gQtPrompts; }
void SetPrompts(PromptSeam* seam) { gInstalled = seam; }

QString ApplicationTitle() { return QStringLiteral("Pelta-RX"); }

}  // namespace pelta
