#include "controls/ScreenReader.h"
#include "infowindows/Logo.h"
#include "infowindows/Register.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelta-RX"));
    // Ties the windows to the installed desktop entry (Wayland's app id, start-up feedback).
    QGuiApplication::setDesktopFileName(pelta::ProgramId());
    QApplication::setWindowIcon(pelta::ProgramIcon());
    pelta::EnableScreenReaderNames();
    auto* splash = new pelta::Register();
    splash->Load();
    splash->show();
    return app.exec();
}
