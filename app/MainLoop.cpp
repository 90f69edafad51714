#include "app/MainLoop.h"

#include "config/SharedState.h"

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
    if (steps_.closeRequested())
        StopRequest = true;
}

void MainLoop::afterStartLink(const QString &found)
{
    if (!found.isEmpty()) {
        LoopState = InitialRead;
        return;
    }
    if (steps_.closeRequested()) {
        StopRequest = true;
        return;
    }
    // Nothing answers (all channels off, converter missing): wait for events
    // for a short while instead of spinning a processor core.
    if (!StopRequest)
        steps_.idleWait();
}

void MainLoop::turn()
{
    steps_.yield();
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

void MainLoop::communicate()
{
    begin();
    // A Yes to the close question during the first discovery ends at once,
    // without another turn that would ask again.
    if (StopRequest)
        return;
    do {
        turn();
    } while (!StopRequest);
}
