#include "infowindows/Register.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelta-RX"));
    auto* splash = new pelta::Register();
    splash->Load();
    splash->show();
    return app.exec();
}
