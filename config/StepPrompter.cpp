#include "config/StepPrompter.h"

#include "config/SharedState.h"

// The loop is held from the box's opening to its closing, however the call
// ends; a box over a box leaves it held until the outer one closes.
class StepPrompter::Held {
public:
    explicit Held(StepPrompter &prompter) : state_(prompter.state_), before_(state_.loopHeldByBox)
    {
        state_.loopHeldByBox = true;
        if (prompter.boxOpens)
            prompter.boxOpens();
    }
    ~Held() { state_.loopHeldByBox = before_; }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;

private:
    SharedState &state_;
    const bool before_;
};

void StepPrompter::message(const QString &text, const QString &title, Icon icon)
{
    const Held held(*this);
    boxes_.message(text, title, icon);
}

Prompter::Answer StepPrompter::askYesNo(const QString &text, const QString &title, Icon icon)
{
    const Held held(*this);
    return boxes_.askYesNo(text, title, icon);
}
