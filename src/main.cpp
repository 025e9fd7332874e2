#include "infowindows/Register.h"

#include <QApplication>

int main(int argc, char** argv) {
    // On a Wayland desktop the Auto Buttons window places itself and stays on top through
    // global window positions, which only X11 clients have: run through XWayland where the
    // desktop offers it, natively (qt6-wayland) where it does not.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelta-RX"));
    auto* splash = new pelta::Register();
    splash->Load();
    splash->show();
    return app.exec();
}
