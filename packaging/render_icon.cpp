// Renders the program's icon, drawn in code, to the PNG files that the
// desktop shows in its menus: render_icon SIDE FILE [SIDE FILE ...].

#include "ui/resources/Artwork.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    // A build machine may have no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 3 || argc % 2 == 0) {
        std::fputs("usage: render_icon SIDE FILE [SIDE FILE ...]\n", stderr);
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        bool ok = false;
        const int side = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || side < 16 || side > 1024 || !artwork::programIcon(side).save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s at %s px\n", argv[i + 1], argv[i]);
            return 1;
        }
    }
    return 0;
}
