#include "ui/main/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QUrl>

HelpViewer::HelpViewer(QWidget *parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("CommonDialog_help"));
    // A window of its own even when the main window owns it.
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("VTX-500 MONITOR Help"));
    setOpenExternalLinks(false);
    resize(640, 560);
}

void HelpViewer::showHelp(const QString &file)
{
    const QFileInfo info(file);
    if (info.isFile() && info.isReadable()) {
        // The file has no extension, so say what it holds.
        setSource(QUrl::fromLocalFile(info.absoluteFilePath()), QTextDocument::HtmlResource);
        // At the top: the title and the introduction come before the
        // contents, and the reader starts there (a viewer opened before keeps
        // the place it was left at otherwise).
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
    } else {
        clear();
        setHtml(QStringLiteral("<h2>Help file not found</h2><p>The help file could not be opened:</p><p><tt>%1</tt></p>"
                               "<p>It belongs in the folder of the program, or, when the program is installed, "
                               "in <tt>share/vtx500-monitor</tt> beside the program's folder.</p>")
                    .arg(file.toHtmlEscaped()));
    }
    show();
    raise();
    activateWindow();
}

QString helpFilePath(const QString &programFolder)
{
    const QString besideProgram = programFolder + QStringLiteral("/PLMVX001M");
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/" VTX_DATA_FROM_BIN "/PLMVX001M"));
    if (!QFileInfo(besideProgram).isFile() && QFileInfo(installed).isFile())
        return installed;
    return besideProgram;
}

void openProgramHelp(HelpViewer &viewer)
{
    QApplication::beep();
    viewer.showHelp(helpFilePath(QCoreApplication::applicationDirPath()));
}
