#pragma once
// Keeps the operator's keys and mouse clicks away from the windows while a
// step of the main loop runs, and hands them on, in the order they came, as
// soon as the step is over. The step's waits for replies serve the event
// queue through serveInStep() (painting, the window system, the line, the
// termination signals, but no timer), so nothing stalls and nothing stays
// behind in a queue of the windowing system: every input event reaches the
// program, is held here, and is delivered between two steps. No handler of
// a window runs inside a step, so a step always ends.
//
// The application's notify() asks intercept() about every event before any
// event filter sees it. A message box that a step shows must take input at
// once: modal boxes open a ModalScope, which lets input through while the
// box is up.

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

class InputHold : public QObject {
public:
    InputHold();
    ~InputHold() override;

    // The hold of the running application, or null when the application
    // holds nothing (tests on plain QApplication).
    static InputHold *instance();

    // True when the event was taken and must not be delivered now.
    bool intercept(QObject *receiver, QEvent *event);

    // What a step's wait for the line may serve: everything in the queue but
    // timers. A widget's timer (an animated click, a menu's delayed pop-up,
    // a tool tip) runs window code, which may open an event loop of its own
    // that the step would never leave; it comes due again between two steps.
    static void serveInStep();

    void stepBegins();
    // Held input is handed on from the event queue, ahead of the next turn.
    void stepEnds();

    // While one exists, input goes to the windows at once (a modal box is up).
    class ModalScope {
    public:
        ModalScope();
        ~ModalScope();
        ModalScope(const ModalScope &) = delete;
        ModalScope &operator=(const ModalScope &) = delete;

    private:
        QPointer<InputHold> hold_;
    };

private:
    struct Held {
        QPointer<QObject> receiver;
        QEvent::Type type;
        Qt::MouseButtons buttons; // of a mouse move
        std::function<std::unique_ptr<QEvent>()> make;
        bool doubleClick = false; // a press that the windowing system paired with a double click
    };

    bool holding() const { return modal_ == 0 && (inStep_ || !held_.empty()); }
    void keep(QObject *receiver, QEvent *event);
    void handOn();
    void deliver(Held &held);

    std::deque<Held> held_;
    bool inStep_ = false;
    bool handOnQueued_ = false;
    int modal_ = 0;
    const QEvent *delivering_ = nullptr; // handed on now: not to be held again
};
