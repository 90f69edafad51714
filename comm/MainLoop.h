#pragma once
// The communication main loop: one step per turn on the user-interface
// thread. The turns run from an event loop of their own, one queued call
// after another, so that everything pending (menus, dialogs, timers) is
// served between two steps. Inside a step, its waits on the line serve only
// painting, the line, the logging tick and the termination signals (the
// wait hook that the program installs); the operator's input waits for the
// step's end.

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
        std::function<void()> yield;              // serve all pending events (turns driven by hand)
    };

    enum State : qint16 { InitialRead = 0, Polling = 1, Transfer = 2, Discovery = 3 };

    // While nothing answers, the next discovery round waits this long for
    // events instead of spinning a processor core.
    static constexpr int DiscoveryPauseMs = 40;

    MainLoop(SharedState &state, bool &stopRequest, Steps steps);

    // Clears StopRequest and LoggingActive and runs the first discovery.
    void begin();
    // The step of the current state, without a yield before it.
    void step();
    // One turn driven by hand (tests, benchmarks): yield, then step.
    void turn();
    // begin(), then one step per pass of an event loop until StopRequest is
    // set after a step (or the application is told to quit).
    void communicate();

    // Whether the last step asks for a pause before the next turn: an empty
    // discovery round.
    bool pauseBeforeNextTurn() const { return pauseNext_; }

    State LoopState = Discovery;

private:
    void afterStartLink(const QString &found);

    SharedState &state_;
    bool &StopRequest;
    Steps steps_;
    bool pauseNext_ = false;
};
