// vtx500-trend: the trend window on its own, for an engineer who reads the
// monitor's log files away from the line.
//   vtx500-trend [LOGFILE...]
#include "trend/NativePath.h"
#include "ui/QtPrompter.h"
#include "ui/resources/Artwork.h"
#include "ui/trend/TrendWindow.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Before the application, which needs a display: --help also works on a
    // console.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: vtx500-trend [LOGFILE...]\n"
                      "       vtx500-trend --help\n"
                      "Shows the PVs of VTX-500 Monitor log files (yymmdd_hhmm.TXT) as curves over date and time.");
            return 0;
        }
    }
    QApplication app(argc, argv);
    QIcon icon; // the monitor's own: the trend is a part of it
    for (const int side : {16, 32, 48, 256})
        icon.addPixmap(artwork::programIcon(side));
    QApplication::setWindowIcon(icon);
    // The paths as the file system has them, not as QApplication decodes
    // them: a folder whose name is not UTF-8 opens too.
    QStringList files;
    for (int i = 1; i < argc; ++i)
        files.append(trend::decodePath(argv[i]));
    QtPrompter prompter;
    TrendWindow window(nullptr, prompter);
    window.setProgramTitle(QStringLiteral("VTX-500 Trend"));
    prompter.setParentWidget(&window);
    window.show();
    if (!files.isEmpty())
        window.openFiles(files);
    return QApplication::exec();
}
