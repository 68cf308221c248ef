// Build step: writes the program's icon into a hicolor theme tree.
//   morvane-make-icons OUTDIR
#include "gui/common/AppIcon.h"
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvane-make-icons OUTDIR\n");
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString dir =
            QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
        if (!QDir().mkpath(dir) || !DrawAppIcon(size).save(dir + QStringLiteral("/morvane.png"))) {
            std::fprintf(stderr, "morvane-make-icons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
