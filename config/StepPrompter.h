#pragma once
// The prompter of the loop's steps (discovery, polling, setting transfer).
// A box a step shows holds the loop until the operator closes it: no channel
// is polled meanwhile, and what the panels show is no longer being measured.
// So while one is open SharedState::loopHeldByBox is true, for the log to
// write "----" in place of values nobody measured; boxOpens lets the live
// trend mark the gap.

#include "config/Prompter.h"

#include <functional>

struct SharedState;

class StepPrompter : public Prompter {
public:
    StepPrompter(Prompter &boxes, SharedState &state) : boxes_(boxes), state_(state) {}

    std::function<void()> boxOpens;

    void message(const QString &text, const QString &title = QString(), Icon icon = Icon::None) override;
    Answer askYesNo(const QString &text, const QString &title, Icon icon) override;
    void dismissAll() override { boxes_.dismissAll(); }

private:
    class Held;

    Prompter &boxes_;
    SharedState &state_;
};
