#pragma once
// The line status window: what the line is doing (searching, polling, no
// reply, with the port and speed); for each channel its address, state and
// the counts of what its instrument did on the line since start or the last
// reset (replies, refusals, no answers, repeated attempts, the last good
// reply), an OFF channel none, discovery's probes on a row of their own; the
// last and median polling cycle against the wire limit at the line's speed;
// and the last 500 frames on the line, decoded, which a pause holds still.
// It reads the line recorder once a second while it is shown, and only when
// something changed.

#include <QWidget>

class LineRecorder;
class QCheckBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTableView;
class QTimer;
struct SharedState;

class LineStatusWindow : public QWidget {
    Q_OBJECT
public:
    LineStatusWindow(LineRecorder &recorder, const SharedState &state, QWidget *parent = nullptr);
    ~LineStatusWindow() override;

    // Reads the recorder now (the timer does it while the window is shown).
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    class ChannelModel;
    class FrameModel;

    void fitColumns();

    LineRecorder &recorder_;
    ChannelModel *channels_;
    FrameModel *frames_;
    QTableView *channelTable_;
    QTableView *frameTable_;
    QLabel *activity_;
    QLabel *cycle_;
    QLabel *countsSince_;
    QPushButton *reset_;
    QCheckBox *pause_;
    QSplitter *split_;
    QTimer *timer_;
    quint64 seenChanges_ = ~quint64(0);
    bool channelsFitted_ = false;
    bool sized_ = false;
};
