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

namespace {

const char Usage[] =
    "Usage: vtx500-trend [LOGFILE...]\n"
    "       vtx500-trend --help\n"
    "Shows the PVs of VTX-500 Monitor log files (yymmdd_hhmm.TXT) as curves over\n"
    "date and time; a file renamed since asks the date its log began. Export PNG\n"
    "and Export CSV write the shown range. The manual: man vtx500-trend.\n";

} // namespace

int main(int argc, char *argv[])
{
    // Before the application, which needs a display: --help also works on a
    // console. A mistyped option is not taken for a file name ("--" ends the
    // options); Qt's own, with one dash (-platform), are the application's.
    int files = argc;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--") == 0 && files == argc)
            files = i;
    }
    for (int i = 1; i < files; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fprintf(stderr, "vtx500-trend: unknown option '%s'\n%s", argv[i], Usage);
            return 2;
        }
    }
    QApplication app(argc, argv);
    QIcon icon; // the monitor's own: the trend is a part of it
    for (const int side : {16, 32, 48, 256})
        icon.addPixmap(artwork::programIcon(side));
    QApplication::setWindowIcon(icon);
    // The paths as the file system has them, not as QApplication decodes
    // them: a folder whose name is not UTF-8 opens too. (The application has
    // taken its own options out of argv by now.)
    QStringList paths;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnded && std::strcmp(argv[i], "--") == 0)
            optionsEnded = true;
        else
            paths.append(trend::decodePath(argv[i]));
    }
    QtPrompter prompter;
    TrendWindow window(nullptr, prompter);
    window.setProgramTitle(QStringLiteral("VTX-500 Trend"));
    prompter.setParentWidget(&window);
    window.show();
    if (!paths.isEmpty())
        window.openFiles(paths);
    return QApplication::exec();
}
