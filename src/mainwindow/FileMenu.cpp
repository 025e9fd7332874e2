#include "mainwindow/FileMenu.h"

#include "controls/SkipFailure.h"

#include "controls/Prompts.h"
#include "dialogs/AllocCapFileFrm.h"
#include "mainwindow/MainFrm.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"

#include <QApplication>
#include <QDir>
#include <QMenu>

namespace pelta {

namespace {
void Save(const QString& key, const QString& value) {
    if (gSettings) gSettings->SaveSetting(gSection, key, value);
}
}  // namespace

FileMenu::FileMenu(MainFrm& main) : main_(main) {}

void FileMenu::ConnectCommands() {
    MainMenus& m = main_.Menus();
    ConnectCommand(m.menuFileAllocCaptureFile, &main_, [this] { AllocCaptureFile(); });
    ConnectCommand(m.menuFileSaveCapturedVideoAs, &main_, [this] { SaveCapturedVideoAs(); });
    ConnectCommand(m.menuAUTO, &main_, [this] { AutoNameToggled(); });
    ConnectCommand(m.menuAUTODir, &main_, [this] { SelectAutoFolder(); });
    ConnectCommand(m.menuTopWindow, &main_, [this] { TopWindowToggled(); });
    ConnectCommand(m.menuFileExit, &main_, [this] { Exit(); });
    // A native Wayland client cannot ask to stay above other windows: the compositor decides.
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        m.menuTopWindow->setEnabled(false);
        m.menuTopWindow->setToolTip(
            QCoreApplication::translate("FileMenu", "Not available on this Wayland desktop: the desktop decides which "
                                                    "window stays on top."));
        if (m.menuFile) m.menuFile->setToolTipsVisible(true);
    }
}

void FileMenu::AllocCaptureFile() {
    AllocCapFileFrm dialog(main_.Engine(), &main_);
    Prompts().ExecDialog(dialog);
}

void FileMenu::SaveCapturedVideoAs() {
    const QString filter = QCoreApplication::translate("FileMenu", "AVI Video File (*.avi);;AVI Video File (*.avi)");
    SkipFailure([&] {
        const QString name = ShowSaveDialog(QCoreApplication::translate("FileMenu", "Enter Capture Video Name"), filter);
        // Also asked for an empty name (a cancelled dialog); its failure is ignored.
        main_.Engine().CopyCaptureTo(name.toStdString(), false);
    });
}

void FileMenu::AutoNameToggled() {
    QAction* a = main_.Menus().menuAUTO;
    if (a->isChecked()) {
        bAutoName = false;
        a->setChecked(false);
        Save(QStringLiteral("AutoName"), QStringLiteral("False"));
    } else {
        bAutoName = true;
        main_.Menus().menuAUTODir->setEnabled(true);
        a->setChecked(true);
        Save(QStringLiteral("AutoName"), QStringLiteral("True"));
    }
}

void FileMenu::SelectAutoFolder() {
    QString path = QDir::currentPath();
    const bool ok = BrowseForFolder(&main_, path) == QStringLiteral("True");
    if (ok) {
        sAutoSaveDir = path.trimmed();
        Save(QStringLiteral("AutoSaveDir"), sAutoSaveDir);
    }
}

void FileMenu::TopWindowToggled() {
    QAction* a = main_.Menus().menuTopWindow;
    bTopWindow = !a->isChecked();
    a->setChecked(bTopWindow);
    Save(QStringLiteral("TopWindow"), BooleanText(bTopWindow));
}

void FileMenu::Exit() {
    SkipFailure([&] { main_.Engine().EndCapture(); });
    SkipFailure([&] { main_.WriteCaptureStatus(true); });
    main_.close();
}

QString FileMenu::BrowseForFolder(QWidget* OwnerWindow, QString& Path) {
    const QString chosen = Prompts().ExistingFolder(OwnerWindow, QCoreApplication::translate("FileMenu", "Current: ") + Path, QString());
    if (chosen.isEmpty()) {
        Path.clear();
        return QStringLiteral("False");
    }
    Path = chosen;
    return QStringLiteral("True");
}

QString FileMenu::ShowSaveDialog(const QString& Title, const QString& Filter) {
    SaveFileRequest r;
    r.Owner = QApplication::activeWindow();
    r.Title = Title;
    r.Filter = Filter;
    r.InitialFolder = QDir::currentPath();
    r.ConfirmOverwrite = true;
    return Prompts().SaveFileName(r);  // no extension is added
}

}  // namespace pelta
