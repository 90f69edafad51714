#include "comm/MainLoop.h"

#include "config/SharedState.h"

#include <QEventLoop>
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
    QTimer turnTimer;
    turnTimer.setSingleShot(true);

    // Each turn is a timer that comes due once the step before it is over
    // (at once, or after the pause of an empty discovery round), so the
    // event loop serves everything pending first, and a timer of the windows
    // that came due during the step runs before the next turn, in the order
    // they came due. The waits of a step serve no timer, so no turn and no
    // window's timer ever runs inside a step. A step's message box holds the
    // loop (its turn is still running); a dialog's own event loop keeps the
    // turns going.
    QObject::connect(&turnTimer, &QTimer::timeout, &context, [&] {
        step();
        if (StopRequest) {
            events.quit();
            return;
        }
        turnTimer.start(pauseNext_ ? DiscoveryPauseMs : 0);
    });
    turnTimer.start(pauseNext_ ? DiscoveryPauseMs : 0);
    events.exec();
}
