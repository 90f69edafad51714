#include "app/MonitorApp.h"

#include "comm/Discovery.h"
#include "comm/LineRecorder.h"
#include "comm/MainLoop.h"
#include "comm/Polling.h"
#include "comm/SettingTransfer.h"
#include "comm/VtxPort.h"
#include "config/Configuration.h"
#include "config/Prompter.h"
#include "config/SettingForm.h"
#include "config/SettingsStore.h"
#include "config/StepPrompter.h"
#include "logging/Clock.h"
#include "logging/EventJournal.h"
#include "logging/JournalPanels.h"
#include "logging/LogWriter.h"
#include "trend/LiveFeed.h"
#include "trend/LiveHistory.h"
#include "ui/InputHold.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmDevNo.h"
#include "ui/dialogs/frmLogT.h"
#include "ui/dialogs/frmSetting.h"
#include "ui/dialogs/frmSplash.h"
#include "ui/main/HelpViewer.h"
#include "ui/main/MainMenu.h"
#include "ui/main/MonitorPanels.h"
#include "ui/main/frmMain.h"
#include "ui/events/EventsWindow.h"
#include "ui/linestatus/LineStatusWindow.h"
#include "ui/trend/TrendWindow.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>

#include <exception>

namespace {

// How often a step's wait on the line serves the event queue, at most.
constexpr qint64 ServeEventsEveryMs = 5;

// A step that meets an error of the component ends there; the loop goes on
// with its next turn instead of ending the program. Any other error is a
// fault of the program itself: it is told as such, not as a line failure,
// and the program goes on.
template <typename Step> void guarded(Step &&step, Prompter &prompter)
{
    try {
        step();
    } catch (const StepAbandoned &) {
    } catch (const VtxError &) {
    } catch (const std::exception &error) {
        prompter.message(QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(error.what())),
                         QString(), Prompter::Icon::Critical);
    }
}

} // namespace

MonitorApp::MonitorApp(SettingsStore &store, Prompter &prompter, Clock &clock,
                       std::function<std::unique_ptr<VtxPort>()> createVtx)
    : store_(store), prompter_(prompter), clock_(clock), createVtx_(std::move(createVtx)),
      history_(std::make_unique<trend::LiveHistory>([this](int channel) { return state.channels.name(channel); }))
{
    // As for VX5DP.DAT: the operator learns that the settings were not kept,
    // and the program goes on with the values it has.
    store_.failureReport = [this](const QString &file, const QString &reason) {
        prompter_.message(QStringLiteral("Cannot write the file %1.\n%2").arg(file, reason), QString(),
                          Prompter::Icon::Warning);
    };
}

MonitorApp::~MonitorApp()
{
    // Tests may end without the end sequence; windows go before the logic
    // objects they point into.
    if (main_)
        unloadOthers();
    main_.reset();
    store_.failureReport = nullptr;
}

frmDevNo *MonitorApp::addressDialog() const { return devNo_; }
frmSetting *MonitorApp::settingDialog() const { return setting_; }

void MonitorApp::startUp()
{
    // The splash, painted at once, for as long as the loading takes.
    auto splash = std::make_unique<frmSplash>(frmMain::Caption);
    splash->present();

    // The main window, loaded hidden: the communication object, geometry.
    main_ = std::make_unique<frmMain>(state, store_);
    // Every command goes through the line recorder, for the line status.
    main_->Form_Load([this] {
        auto recorder = std::make_unique<LineRecorder>(createVtx_(), clock_);
        recorder_ = recorder.get();
        return recorder;
    });
    main_->unloadOthers = [this] { unloadOthers(); };
    if (mainWindowCreated)
        mainWindowCreated(main_.get());

    // The configuration, into the hidden address and interval views.
    configuration::regRead(state, store_);
    logWriter_ = std::make_unique<LogWriter>(state, *main_->panels(), prompter_, clock_,
                                             [this](const QString &text) { main_->setStatusText(text); });
    devNo_ = new frmDevNo(state, store_, main_.get());
    logT_ = new frmLogT(state, store_, prompter_, logWriter_->schedule(), clock_, main_.get());
    logT_->refreshFromState();

    // The splash goes once everything is loaded.
    splash.reset();

    // Decimal places, panels, the window on screen.
    configuration::loadDecimalPlaces(state.DecimalPlaces, prompter_);
    main_->SetMainWindow();
    main_->show();

    VtxPort &vtx = *main_->Vtx;
    // A box of a step holds the loop: the log and the trend show a gap.
    stepPrompter_ = std::make_unique<StepPrompter>(prompter_, state);
    stepPrompter_->boxOpens = [this] { feed_->gap(*history_, clock_.now()); };
    discovery_ = std::make_unique<Discovery>(vtx, state, store_, *stepPrompter_);
    // Polling shows the PVs and lamps through the feed, which keeps each
    // cycle's for the trend, and through the journal's view, which makes
    // events of them; the journal also hears every attempt on the line and
    // every setting write.
    feed_ = std::make_unique<trend::LiveFeed>(*main_->panels());
    journal_ = std::make_unique<EventJournal>(state, clock_, *stepPrompter_);
    journal_->readBack();
    journal_->programStarted();
    journalPanels_ = std::make_unique<JournalPanels>(*feed_, *journal_);
    vtx.setAttemptObserver([this](const AttemptReport &report) { journal_->attemptEnded(report); });
    polling_ = std::make_unique<Polling>(vtx, state, *journalPanels_, *stepPrompter_);
    transfer_ = std::make_unique<SettingTransfer>(vtx, state, *stepPrompter_);
    transfer_->settingWritten = [this](int channel, int item, const QString &before, const QString &after,
                                       bool accepted) {
        journal_->settingWritten(channel, item, before, after, accepted);
    };
    wireMenu();

    // While a step waits on the line, the window goes on painting and the
    // log keeps its rhythm; the operator's input that arrives meanwhile is
    // held until the step is over (InputHold), and so is every timer of the
    // windows. The component calls this every few milliseconds of its
    // waits; serving the queue every 5 ms is plenty and costs far less
    // processor time.
    vtx.setWaitHook([this, served = QElapsedTimer()]() mutable {
        if (!ending_ && served.isValid() && served.elapsed() < ServeEventsEveryMs)
            return;
        if (!ending_) {
            InputHold::serveInStep();
            if (logWriter_ && !ending_)
                logWriter_->serveOverdueTick();
            served.start();
        }
        if (ending_)
            throw StepAbandoned();
    });

    MainLoop::Steps steps;
    steps.StartLink = [this] {
        QString found;
        recorder_->searchBegins(); // the probes count apart from the channels
        inStep([&] { found = discovery_->StartLink(); });
        recorder_->searchEnded(!found.isEmpty());
        if (!found.isEmpty())
            journal_->linkFound(store_.get(QStringLiteral("CommPort"), QString()), found);
        return found;
    };
    steps.ReadAllPv = [this] {
        inStep([this] { polling_->ReadAllPv(); });
        journal_->cycleEnded();
    };
    steps.PollChannels = [this] {
        QElapsedTimer cycle;
        cycle.start();
        inStep([this] { polling_->PollChannels(); });
        cycleDone(cycle.nsecsElapsed());
    };
    steps.TransferSettings = [this] { inStep([this] { transfer_->TransferSettings(); }); };
    steps.startLogging = [this] { logWriter_->startLogging(); };
    steps.closeRequested = [this] { return discovery_->closeRequested(); };
    steps.yield = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    loop_ = std::make_unique<MainLoop>(state, main_->StopRequest, std::move(steps));
}

void MonitorApp::inStep(const std::function<void()> &step)
{
    if (ending_)
        return;
    // The operator's input waits for the step's end, and so do the boxes of
    // a failed log or journal write: none is handled from inside a wait for
    // a reply.
    InputHold *hold = InputHold::instance();
    if (hold)
        hold->stepBegins();
    if (logWriter_)
        logWriter_->holdMessages(true);
    if (journal_)
        journal_->holdMessages(true);
    guarded(step, prompter_);
    if (journal_)
        journal_->holdMessages(false);
    if (logWriter_)
        logWriter_->holdMessages(false);
    if (hold)
        hold->stepEnds();
}

void MonitorApp::wireMenu()
{
    MainMenu *menu = main_->menu();
    QObject::connect(menu, &MainMenu::exitChosen, main_.get(), [this] { main_->StopRequest = true; });
    QObject::connect(menu, &MainMenu::channelChosen, main_.get(), [this](int n) { openChannel(n); });
    QObject::connect(menu, &MainMenu::deviceAddressChosen, main_.get(), [this] {
        devNo_->DvCan_Click();
        devNo_->show();
        devNo_->raise();
        devNo_->activateWindow();
    });
    QObject::connect(menu, &MainMenu::loggingIntervalChosen, main_.get(), [this] {
        logT_->show();
        logT_->raise();
        logT_->activateWindow();
    });
    QObject::connect(menu, &MainMenu::helpChosen, main_.get(), [this] {
        if (!help_)
            help_ = new HelpViewer(main_.get());
        openProgramHelp(*help_);
    });
    QObject::connect(menu, &MainMenu::aboutChosen, main_.get(), [this] { frmAbout::showModal(main_.get()); });
    // Closing either window only hides it: the history and the counts go on.
    QObject::connect(menu, &MainMenu::trendChosen, main_.get(), [this] {
        if (!trend_) {
            trend_ = new TrendWindow(history_.get(), prompter_, main_.get());
            trend_->shownAtFirst = [this](int channel) { return monitored(channel); };
            trend_->showLive();
        }
        trend_->show();
        trend_->raise();
        trend_->activateWindow();
    });
    QObject::connect(menu, &MainMenu::lineStatusChosen, main_.get(), [this] {
        if (!lineStatus_)
            lineStatus_ = new LineStatusWindow(*recorder_, state, main_.get());
        lineStatus_->show();
        lineStatus_->raise();
        lineStatus_->activateWindow();
    });
    QObject::connect(menu, &MainMenu::eventsChosen, main_.get(), [this] {
        if (!events_)
            events_ = new EventsWindow(*journal_, main_.get());
        events_->show();
        events_->raise();
        events_->activateWindow();
    });
}

bool MonitorApp::monitored(int channel) const { return stateIsMonitored(state.channels.state(channel)); }

void MonitorApp::cycleDone(qint64 nanoseconds)
{
    if (ending_)
        return;
    recorder_->cycleFinished(double(nanoseconds) / 1e6, polling_->polledChannels(), recorder_->lineSpeed());
    feed_->cycleDone(*history_, clock_.now(), [this](int channel) { return monitored(channel); });
    journal_->cycleEnded();
    if (trend_)
        trend_->liveGrew();
}

frmSetting *MonitorApp::ensureSettingDialog()
{
    if (!setting_) {
        setting_ = new frmSetting(state, prompter_, main_.get());
        setting_->form().SetMainWindow = [this] { main_->SetMainWindow(); };
        setting_->form().setPanelTitle = [this](int channel, const QString &name) {
            main_->panels()->setTitle(channel, name);
        };
        transfer_->setFields(&setting_->form());
    }
    return setting_;
}

void MonitorApp::openChannel(int n) { ensureSettingDialog()->openForChannel(n); }

void MonitorApp::unloadOthers()
{
    // Most recently loaded first; the logging tick ends with its view.
    if (setting_) {
        if (transfer_)
            transfer_->setFields(nullptr);
        delete setting_;
    }
    delete help_;
    delete lineStatus_;
    delete events_;
    delete trend_;
    if (logT_)
        delete logT_;
    logWriter_.reset();
    if (devNo_)
        delete devNo_;
}

void MonitorApp::endSequence()
{
    if (journal_)
        journal_->programEnded();
    if (main_->Vtx)
        guarded([this] { main_->Vtx->Close(); }, prompter_);
    configuration::saveDecimalPlaces(state.DecimalPlaces, prompter_);
    discovery_.reset();
    polling_.reset();
    transfer_.reset();
    main_->Vtx.reset();
    recorder_ = nullptr;
    main_->Form_Unload();
    main_->hide();
    main_.reset();
}

void MonitorApp::run()
{
    startUp();
    // A signal that came during start-up (outside a message box) is still
    // in the queue.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!ending_)
        loop_->communicate();
    endSequence();
}

void MonitorApp::endOnSignal()
{
    ending_ = true;
    if (main_)
        main_->StopRequest = true;
    prompter_.dismissAll();
    // Other modal windows (the about box) hold the loop in their own event
    // loop; each that closes hands it back.
    for (int guard = 0; guard < 8; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
}
