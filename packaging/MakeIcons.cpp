// Build helper: draws the program's icon as PNG files, one folder per size:
//   pelta-rx-icons OUTDIR  ->  OUTDIR/<n>x<n>/apps/<program id>.png
#include "infowindows/Logo.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = dir + QLatin1Char('/') + pelta::ProgramId() + QStringLiteral(".png");
        if (!QDir().mkpath(dir) || !pelta::LogoImage(size).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
