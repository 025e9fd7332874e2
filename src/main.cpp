#include "controls/ScreenReader.h"
#include "infowindows/Logo.h"
#include "infowindows/Register.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/MainFrm.h"
#include "mainwindow/ScreenRequestGate.h"
#include "mainwindow/StartUpSafety.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

int main(int argc, char** argv) {
    pelta::IgnoreFileSizeLimitSignal();
    // --help and --version print without a display.
    if (const int status = pelta::AnswerWithoutWindows(argc, argv); status >= 0) return status;
    // On a Wayland desktop the Auto Buttons window places itself and stays on top through
    // global window positions, which only X11 clients have: run through XWayland where the
    // desktop offers it, natively (qt6-wayland) where it does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    QApplication app(argc, argv);
    pelta::NameApplication();
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
    const pelta::CommandLineResult command = pelta::ParseCommandLine(QApplication::arguments());
    if (command.ExitStatus >= 0) return command.ExitStatus;
    // An unattended capture from the command line tells of repairs on standard error.
    pelta::LookAfterCaptureFiles(nullptr, command.Capture ? pelta::RepairReport::StandardError
                                                          : pelta::RepairReport::MessageBox);
    // No screen question from the desktop during the splash: only once the main window is up.
    pelta::HoldScreenRequests();
    auto* splash = new pelta::Register();
    splash->Load();
    pelta::ReleaseScreenRequestsWhenShown(splash->Main());
    if (!command.Capture) {
        splash->show();
        return app.exec();
    }
    // A capture from the command line: straight to the main window, and out when it is done.
    pelta::MainFrm* main = splash->Main();
    splash->Dismiss();
    if (!main) return pelta::CaptureExit::Failed;
    pelta::CommandLineRecorder recorder(*main, *command.Capture);
    QTimer::singleShot(0, &recorder, &pelta::CommandLineRecorder::Start);
    return app.exec();
}
