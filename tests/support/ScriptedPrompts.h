// Answers message boxes, file choosers and modal dialogs for tests, and records what was asked.
#pragma once

#include "controls/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

namespace pelta::test {

struct AskedMessage {
    QString Text;
    QString Title;
    PromptButtons Buttons;
    bool DefaultYes;
    QString Detail = {};  // the unfolding text of a detailed message
    bool Busy = false;    // the busy pointer was up while it was shown
};

class ScriptedPrompts final : public PromptSeam {
public:
    ScriptedPrompts() { SetPrompts(this); }
    ~ScriptedPrompts() override { SetPrompts(nullptr); }

    std::deque<PromptAnswer> Answers;             // next message box answers; empty: Ok / Yes
    std::deque<QString> FileAnswers;              // next save/open file answers; empty: ""
    std::deque<QString> FolderAnswers;            // next folder answers; empty: ""
    // Runs against each modal dialog instead of a person; returns the dialog's result.
    // Empty: the dialog is closed with QDialog::Rejected at once.
    std::function<int(QDialog&)> DialogScript;

    std::vector<AskedMessage> Messages;
    std::vector<SaveFileRequest> SaveRequests;
    std::vector<OpenFileRequest> OpenRequests;
    std::vector<QString> FolderTitles;
    std::vector<QString> DialogsShown;            // objectName of each dialog shown

    PromptAnswer Message(QWidget*, const QString& text, const QString& title, PromptButtons buttons,
                         bool defaultYes) override {
        const QCursor* pointer = QApplication::overrideCursor();
        Messages.push_back({text, title, buttons, defaultYes, {}, pointer && pointer->shape() == Qt::WaitCursor});
        return Next(Answers, buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok);
    }
    void DetailedMessage(QWidget* owner, const QString& text, const QString& title, const QString& detail) override {
        Message(owner, text, title, PromptButtons::Ok, true);
        Messages.back().Detail = detail;
    }
    QString SaveFileName(const SaveFileRequest& r) override {
        SaveRequests.push_back(r);
        return Next(FileAnswers);
    }
    QString OpenFileName(const OpenFileRequest& r) override {
        OpenRequests.push_back(r);
        return Next(FileAnswers);
    }
    QString ExistingFolder(QWidget*, const QString& title, const QString&) override {
        FolderTitles.push_back(title);
        return Next(FolderAnswers);
    }
    int ExecDialog(QDialog& dialog) override {
        DialogsShown.push_back(dialog.objectName());
        dialog.show();
        const int r = DialogScript ? DialogScript(dialog) : QDialog::Rejected;
        if (dialog.isVisible()) dialog.done(r);
        return r;
    }

private:
    template <typename T>
    static T Next(std::deque<T>& q, T whenEmpty = {}) {
        if (q.empty()) return whenEmpty;
        T next = q.front();
        q.pop_front();
        return next;
    }
};

}  // namespace pelta::test
