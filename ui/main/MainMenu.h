#pragma once
// The main window's menu tree: File, Setting (with one item per channel),
// View (the trend, line status and events windows) and Help. It only announces the operator's choice; the program's wiring
// (app/MonitorApp) decides what each command does.

#include <QObject>

class QAction;
class QMenuBar;

class MainMenu : public QObject {
    Q_OBJECT
public:
    // Builds the whole tree into the bar; the menus belong to the bar, and
    // so does this object.
    explicit MainMenu(QMenuBar *bar);

signals:
    void exitChosen();
    void channelChosen(int channel);
    void deviceAddressChosen();
    void loggingIntervalChosen();
    void trendChosen();
    void lineStatusChosen();
    void eventsChosen();
    void helpChosen();
    void aboutChosen();

private slots:
    void onChannelItem(QAction *item);
};
