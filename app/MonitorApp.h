#pragma once
// The program's composition and entry procedure: start-up in its order, the
// main loop, and the orderly end.

#include "config/SharedState.h"

#include <QPointer>

#include <functional>
#include <memory>

class Clock;
class Discovery;
class EventJournal;
class EventsWindow;
class JournalPanels;
class LogWriter;
class MainLoop;
class Polling;
class Prompter;
class SettingTransfer;
class SettingsStore;
class StepPrompter;
class VtxPort;
class frmDevNo;
class frmLogT;
class frmMain;
class frmSetting;
class HelpViewer;
class LineRecorder;
class LineStatusWindow;
class QWidget;
class TrendWindow;
namespace trend {
class LiveFeed;
class LiveHistory;
}

class MonitorApp {
public:
    // The seams: the store, the message boxes, the clock and the maker of the
    // communication object. The program passes the real ones.
    MonitorApp(SettingsStore &store, Prompter &prompter, Clock &clock,
               std::function<std::unique_ptr<VtxPort>()> createVtx);
    ~MonitorApp();

    // The entry procedure: start-up, the main loop until StopRequest, the end
    // sequence. Returns when every window is unloaded.
    void run();

    // Start-up: everything before the main loop (for tests, which run the
    // loop themselves).
    void startUp();
    // The end sequence after the loop: close the port, save VX5DP.DAT,
    // release the communication object, unload the main window.
    void endSequence();

    SharedState state;
    frmMain *mainWindow() const { return main_.get(); }
    frmDevNo *addressDialog() const;
    frmSetting *settingDialog() const;
    MainLoop *loop() const { return loop_.get(); }
    // What the line did since start; it wraps the communication object.
    LineRecorder *lineRecorder() const { return recorder_; }
    // The PVs of every polling cycle of this run.
    const trend::LiveHistory &history() const { return *history_; }
    // The alarms and events of this day, kept in the day's journal file.
    EventJournal &journal() const { return *journal_; }

    // Called once the main window exists (the program makes it the parent of
    // its message boxes).
    std::function<void(frmMain *)> mainWindowCreated;

    // Shows the setting dialog for channel n, creating it at first use.
    void openChannel(int n);

    // A termination signal: the program ends in order at once, wherever it
    // is. Open message boxes and modal windows close, later boxes are not
    // shown, the running step is left at its next wait for a reply, no
    // further step runs, and the end sequence follows (before the loop
    // starts, the loop is skipped).
    void endOnSignal();

private:
    void wireMenu();
    void unloadOthers();
    frmSetting *ensureSettingDialog();
    // Runs one step of the loop; an error of the component ends the step.
    void inStep(const std::function<void()> &step);
    // After a polling cycle: its time to the line status, its PVs to the trend.
    void cycleDone(qint64 nanoseconds);
    bool monitored(int channel) const;

    SettingsStore &store_;
    Prompter &prompter_;
    Clock &clock_;
    std::function<std::unique_ptr<VtxPort>()> createVtx_;

    std::unique_ptr<frmMain> main_;
    QPointer<frmDevNo> devNo_;
    QPointer<frmLogT> logT_;
    QPointer<frmSetting> setting_;
    QPointer<HelpViewer> help_;
    QPointer<TrendWindow> trend_;
    QPointer<LineStatusWindow> lineStatus_;
    QPointer<EventsWindow> events_;
    LineRecorder *recorder_ = nullptr; // owned by the main window, as its Vtx
    std::unique_ptr<trend::LiveHistory> history_;
    std::unique_ptr<trend::LiveFeed> feed_;
    std::unique_ptr<StepPrompter> stepPrompter_;
    std::unique_ptr<EventJournal> journal_;
    std::unique_ptr<JournalPanels> journalPanels_;
    std::unique_ptr<LogWriter> logWriter_;
    std::unique_ptr<Discovery> discovery_;
    std::unique_ptr<Polling> polling_;
    std::unique_ptr<SettingTransfer> transfer_;
    std::unique_ptr<MainLoop> loop_;
    bool ending_ = false;
};
