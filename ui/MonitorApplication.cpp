#include "ui/MonitorApplication.h"

#include "ui/resources/Artwork.h"

#include <QIcon>

MonitorApplication::MonitorApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The loop ends the program itself, after its end sequence.
    setQuitOnLastWindowClosed(false);
    // The icon and the desktop entry the taskbar shows beside the program's
    // windows, the same as in the desktop's menus.
    QIcon icon;
    for (const int side : {16, 32, 48, 256})
        icon.addPixmap(artwork::programIcon(side));
    setWindowIcon(icon);
    setDesktopFileName(QStringLiteral("vtx500-monitor"));
}

bool MonitorApplication::notify(QObject *receiver, QEvent *event)
{
    // Before every event filter, so that no handler sees held input early.
    if (hold_.intercept(receiver, event))
        return true;
    return QApplication::notify(receiver, event);
}
