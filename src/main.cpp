#include "controls/ScreenReader.h"
#include "infowindows/Logo.h"
#include "infowindows/Register.h"
#include "mainwindow/StartUpSafety.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    pelta::IgnoreFileSizeLimitSignal();
    // On a Wayland desktop the Auto Buttons window places itself and stays on top through
    // global window positions, which only X11 clients have: run through XWayland where the
    // desktop offers it, natively (qt6-wayland) where it does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
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
    pelta::LookAfterCaptureFiles();
    auto* splash = new pelta::Register();
    splash->Load();
    splash->show();
    return app.exec();
}
