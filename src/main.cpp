#include "controls/ScreenReader.h"
#include "infowindows/Logo.h"
#include "infowindows/Register.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelta-RX"));
    // A translation for the user's language, when one is installed beside the program.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("pelta-rx"), QStringLiteral("_"),
                        QApplication::applicationDirPath() + QStringLiteral("/../share/pelta-rx/translations")))
        QApplication::installTranslator(&translator);
    // Ties the windows to the installed desktop entry (Wayland's app id, start-up feedback).
    QGuiApplication::setDesktopFileName(pelta::ProgramId());
    QApplication::setWindowIcon(pelta::ProgramIcon());
    pelta::EnableScreenReaderNames();
    auto* splash = new pelta::Register();
    splash->Load();
    splash->show();
    return app.exec();
}
