#pragma once
// The start-up splash window: product name, platform and version lines and
// the rights notice, on screen while the configuration loads.

#include <QWidget>

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // productName is the main window's caption, so that a new caption shows
    // on the splash as well.
    explicit frmSplash(const QString &productName, QWidget *parent = nullptr);

    // Shows the window centred on the screen and paints it at once, before
    // start-up goes on without yielding to the event queue.
    void present();
};
