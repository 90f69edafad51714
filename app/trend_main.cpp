// vtx500-trend: the trend window on its own, for an engineer who reads the
// monitor's log files away from the line.
//   vtx500-trend [LOGFILE...]
#include "ui/QtPrompter.h"
#include "ui/trend/TrendWindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList files = QApplication::arguments().mid(1);
    if (files.contains(QStringLiteral("--help")) || files.contains(QStringLiteral("-h"))) {
        std::puts("Usage: vtx500-trend [LOGFILE...]\n"
                  "Shows the PVs of VTX-500 Monitor log files (yymmdd_hhmm.TXT) as curves over date and time.");
        return 0;
    }
    QtPrompter prompter;
    TrendWindow window(nullptr, prompter);
    prompter.setParentWidget(&window);
    window.show();
    if (!files.isEmpty())
        window.openFiles(files);
    return QApplication::exec();
}
