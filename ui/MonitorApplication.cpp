#include "ui/MonitorApplication.h"

MonitorApplication::MonitorApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The loop ends the program itself, after its end sequence.
    setQuitOnLastWindowClosed(false);
}

bool MonitorApplication::notify(QObject *receiver, QEvent *event)
{
    // Before every event filter, so that no handler sees held input early.
    if (hold_.intercept(receiver, event))
        return true;
    return QApplication::notify(receiver, event);
}
