#include "mainwindow/MainFrm.h"

#include <QApplication>

#if __has_include("infowindows/Register.h")
#include "infowindows/Register.h"
#define PELTA_HAVE_SPLASH 1
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelta-RX"));
#ifdef PELTA_HAVE_SPLASH
    pelta::Register splash;
    splash.Load();
    splash.show();
#else
    auto* main = new pelta::MainFrm();
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->Load();
    main->show();
#endif
    return app.exec();
}
