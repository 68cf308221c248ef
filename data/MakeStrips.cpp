// Build step: draws the alternative pair of button image strips.
//   morvane-make-strips OUTDIR   (writes OUTDIR/alt1.bmp and OUTDIR/alt2.bmp)
#include "gui/window/ButtonImages.h"
#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv); // the icon fallbacks need a style
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvane-make-strips OUTDIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!DrawButtonStrip(true).save(dir + QStringLiteral("/alt1.bmp"), "BMP") ||
        !DrawButtonStrip(false).save(dir + QStringLiteral("/alt2.bmp"), "BMP")) {
        std::fprintf(stderr, "morvane-make-strips: cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
