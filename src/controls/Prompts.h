// The one way windows ask the user something: message boxes, file and folder choosers,
// and modal dialogs. Tests install their own answers, so nothing waits on a person.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace pelta {

enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct SaveFileRequest {
    QWidget* Owner = nullptr;
    QString Title;
    QString Filter;            // Qt filter text, e.g. "AVI Video File (*.avi)"
    QString InitialFolder;
    QString InitialName;
    QString DefaultSuffix;     // empty: no extension added
    bool ConfirmOverwrite = true;
};

struct OpenFileRequest {
    QWidget* Owner = nullptr;
    QString Title;
    QString Filter;
    QString InitialFolder;
};

class PromptSeam {
public:
    virtual ~PromptSeam() = default;
    // A modal message box. `defaultYes` picks the default button of Yes/No boxes.
    virtual PromptAnswer Message(QWidget* owner, const QString& text, const QString& title,
                                 PromptButtons buttons, bool defaultYes = true) = 0;
    // A message box with an OK button whose `detail` (more about the cause: the file, the
    // device, what the system said) the user can unfold; an empty detail adds nothing.
    virtual void DetailedMessage(QWidget* owner, const QString& text, const QString& title, const QString& detail) {
        (void)detail;
        Message(owner, text, title, PromptButtons::Ok);
    }
    // Empty result: cancelled.
    virtual QString SaveFileName(const SaveFileRequest& request) = 0;
    virtual QString OpenFileName(const OpenFileRequest& request) = 0;
    virtual QString ExistingFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;
    // Shows a dialog modally and returns QDialog::exec()'s result.
    virtual int ExecDialog(QDialog& dialog) = 0;
};

// The seam in force: the real Qt dialogs unless a test installed another.
PromptSeam& Prompts();
// Installs `seam` (not owned); nullptr restores the real dialogs.
void SetPrompts(PromptSeam* seam);

// The product title used on message boxes that carry "the application's title".
QString ApplicationTitle();

}  // namespace pelta
