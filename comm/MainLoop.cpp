#include "comm/MainLoop.h"

#include "config/SharedState.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

MainLoop::MainLoop(SharedState &state, bool &stopRequest, Steps steps)
    : state_(state), StopRequest(stopRequest), steps_(std::move(steps))
{
}

void MainLoop::begin()
{
    StopRequest = false;
    state_.LoggingActive = false;
    const QString found = steps_.StartLink();
    LoopState = found.isEmpty() ? Discovery : InitialRead;
    pauseNext_ = found.isEmpty();
    if (steps_.closeRequested())
        StopRequest = true;
}

void MainLoop::afterStartLink(const QString &found)
{
    pauseNext_ = found.isEmpty();
    if (!found.isEmpty())
        LoopState = InitialRead;
    else if (steps_.closeRequested())
        StopRequest = true;
}

void MainLoop::step()
{
    pauseNext_ = false;
    switch (LoopState) {
    case InitialRead:
        steps_.ReadAllPv();
        LoopState = Polling;
        break;
    case Polling:
        steps_.PollChannels();
        LoopState = Transfer;
        if (!state_.LoggingActive)
            steps_.startLogging();
        break;
    case Transfer:
        steps_.TransferSettings();
        LoopState = Polling;
        break;
    default:
        afterStartLink(steps_.StartLink());
        break;
    }
}

void MainLoop::turn()
{
    if (steps_.yield)
        steps_.yield();
    step();
}

void MainLoop::communicate()
{
    begin();
    // A Yes to the close question during the first discovery ends at once,
    // without another turn that would ask again.
    if (StopRequest)
        return;

    QEventLoop events;
    QObject context;
    QTimer pause;
    pause.setSingleShot(true);
    pause.setInterval(DiscoveryPauseMs);

    // Each turn is queued behind whatever is already pending, so the event
    // loop serves all of it first: that pass is the turn's yield. The next
    // turn is queued only when this step is over, so a step's message box
    // holds the loop, and a dialog's own event loop keeps the turns going.
    std::function<void()> nextTurn;
    auto scheduleTurn = [&] {
        if (pauseNext_)
            pause.start();
        else
            QMetaObject::invokeMethod(&context, nextTurn, Qt::QueuedConnection);
    };
    nextTurn = [&] {
        step();
        if (StopRequest)
            events.quit();
        else
            scheduleTurn();
    };
    QObject::connect(&pause, &QTimer::timeout, &context, nextTurn);
    scheduleTurn();
    events.exec();
}
