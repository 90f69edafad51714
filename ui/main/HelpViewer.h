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

    // Shows the file (HTML, whatever its name) at its "contents" anchor, or at
    // the top when it has none, and brings the window up.
    void showHelp(const QString &file);
};

// The help file next to the program: <program folder>/PLMVX001M.
QString helpFilePath();

// The Help > Help command: a beep, then the help file at its contents page.
void openProgramHelp(HelpViewer &viewer);
