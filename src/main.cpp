#include "controls/ScreenReader.h"
#include "infowindows/Logo.h"
#include "infowindows/Register.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    // On a Wayland desktop the Auto Buttons window places itself and stays on top through
    // global window positions, which only X11 clients have: run through XWayland where the
    // desktop offers it, natively (qt6-wayland) where it does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelta-RX"));
    // The user's language (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG): the program's own
    // translation, installed beside the program (or, in the build folder, next to it), and
    // Qt's for its own buttons and dialogs (OK, Cancel, the file dialog).
    QTranslator translator;
    const QString dir = QApplication::applicationDirPath();
    if (translator.load(QLocale(), QStringLiteral("pelta-rx"), QStringLiteral("_"),
                        dir + QStringLiteral("/../share/pelta-rx/translations")) ||
        translator.load(QLocale(), QStringLiteral("pelta-rx"), QStringLiteral("_"), dir + QStringLiteral("/translations")))
        QApplication::installTranslator(&translator);
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // Ties the windows to the installed desktop entry (Wayland's app id, start-up feedback).
    QGuiApplication::setDesktopFileName(pelta::ProgramId());
    QApplication::setWindowIcon(pelta::ProgramIcon());
    pelta::EnableScreenReaderNames();
    auto* splash = new pelta::Register();
    splash->Load();
    splash->show();
    return app.exec();
}
