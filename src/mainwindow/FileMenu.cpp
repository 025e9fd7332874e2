// Scaffolding only: the File menu commands replace this file.
#include "mainwindow/FileMenu.h"

namespace pelta {

FileMenu::FileMenu(MainFrm& main) : main_(main) {}
void FileMenu::ConnectCommands() {}
void FileMenu::AllocCaptureFile() {}
void FileMenu::SaveCapturedVideoAs() {}
void FileMenu::AutoNameToggled() {}
void FileMenu::SelectAutoFolder() {}
void FileMenu::TopWindowToggled() {}
void FileMenu::Exit() {}
QString FileMenu::BrowseForFolder(QWidget*, QString& Path) { Path.clear(); return QStringLiteral("False"); }
QString FileMenu::ShowSaveDialog(const QString&, const QString&) { return {}; }

}  // namespace pelta
