#pragma once
// The events window (View > Events): the journal's events newest first, the
// alarm rows coloured by their state, filters by channel and kind, and
// acknowledgement of the selected alarms, or without a selection the one
// the keyboard is on (the button, Space or Enter), or of
// every alarm shown. Its title counts the active and the unacknowledged
// alarms. It reads the journal four times a second while it is shown, and
// only when something changed.

#include <QWidget>

class EventJournal;
class EventModel;
class QComboBox;
class QTableView;
class QTimer;

class EventsWindow : public QWidget {
    Q_OBJECT
public:
    explicit EventsWindow(EventJournal &journal, QWidget *parent = nullptr);

    // Reads the journal now (the timer does it while the window is shown).
    void refresh();
    void acknowledgeSelected();
    void acknowledgeAllShown();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyFilter();
    void showCounts();

    EventJournal &journal_;
    EventModel *model_;
    QTableView *table_;
    QComboBox *channel_;
    QComboBox *kind_;
    QTimer *timer_;
};
