#pragma once
// The program's own help viewer: a browser window for the operator's manual,
// opened on its contents page. A missing help file is reported in the viewer
// itself, never as a message box.

#include <QString>
#include <QTextBrowser>

class HelpViewer : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);

    // Shows the file (HTML, whatever its name) from its top, where its title,
    // introduction and contents are, and brings the window up.
    void showHelp(const QString &file);
};

// The help file: <program folder>/PLMVX001M when it is there (the build tree,
// or a copy the operator put beside the program), else the installed manual,
// <program folder>/../share/vtx500-monitor/PLMVX001M. When neither exists,
// the first, so that the viewer names the folder of the program.
QString helpFilePath(const QString &programFolder);

// The Help > Help command: a beep, then the help file of this program at its
// contents page.
void openProgramHelp(HelpViewer &viewer);
