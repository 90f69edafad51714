#pragma once
// The communication main loop: one step per turn on the user-interface
// thread, with the event queue served between steps (menus, dialogs, timers
// and painting run there and never inside a step).

#include <QString>
#include <QtGlobal>

#include <functional>

struct SharedState;

class MainLoop {
public:
    // What the loop drives; each step does a bounded amount of work.
    struct Steps {
        std::function<QString()> StartLink;      // "" when no instrument answered
        std::function<void()> ReadAllPv;
        std::function<void()> PollChannels;
        std::function<void()> TransferSettings;
        std::function<void()> startLogging;       // once, after the earliest polling cycle
        std::function<bool()> closeRequested;     // the operator chose to end after a communication error
        std::function<void()> yield;              // serve all pending events
        std::function<void()> idleWait;           // serve events, waiting briefly for them
    };

    enum State : qint16 { InitialRead = 0, Polling = 1, Transfer = 2, Discovery = 3 };

    MainLoop(SharedState &state, bool &stopRequest, Steps steps);

    // Clears StopRequest and LoggingActive and runs the first discovery.
    void begin();
    // One turn: yield, then the step of the current state.
    void turn();
    // begin(), then turns until StopRequest is set after a step.
    void communicate();

    qint16 LoopState = Discovery;

private:
    void afterStartLink(const QString &found);

    SharedState &state_;
    bool &StopRequest;
    Steps steps_;
};
