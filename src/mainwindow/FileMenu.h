// The File menu: capture-file commands, automatic naming switches and Exit.
#pragma once

#include <QString>

class QWidget;

namespace pelta {

class MainFrm;

class FileMenu {
public:
    explicit FileMenu(MainFrm& main);

    void ConnectCommands();  // wires the File menu (call once)

    void AllocCaptureFile();
    void SaveCapturedVideoAs();
    void AutoNameToggled();
    void SelectAutoFolder();
    void TopWindowToggled();
    void Exit();

    // "True" when a folder was chosen (Path then holds it), "False" when cancelled (Path empty).
    static QString BrowseForFolder(QWidget* OwnerWindow, QString& Path);
    // The chosen path, or "" when cancelled.
    static QString ShowSaveDialog(const QString& Title, const QString& Filter);

private:
    MainFrm& main_;
};

}  // namespace pelta
