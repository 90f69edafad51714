#pragma once
// Answers the program's message boxes for tests and remembers what they said.

#include "config/Prompter.h"

#include <QStringList>

#include <functional>

class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text, title;
        Icon icon = Icon::None;
        bool question = false;
    };

    QList<Shown> shown;
    QList<Answer> answers;                     // answers to askYesNo, first first; No when empty
    std::function<void(const Shown &)> onShow; // runs while the box "is open"

    void message(const QString &text, const QString &title, Icon icon) override { show({text, title, icon, false}); }
    Answer askYesNo(const QString &text, const QString &title, Icon icon) override
    {
        show({text, title, icon, true});
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Shown &s : shown)
            result << s.text;
        return result;
    }
    void clear() { shown.clear(); }

private:
    void show(const Shown &box)
    {
        shown.append(box);
        if (onShow)
            onShow(shown.last());
    }
};
