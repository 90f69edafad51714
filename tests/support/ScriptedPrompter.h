#pragma once
// Answers the program's message boxes for tests and remembers what they said.

#include "app/Prompter.h"

#include <QList>
#include <QString>
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
    QList<Answer> answers; // answers to askYesNo, first first; No when empty
    std::function<void(const Shown &)> onShow; // runs while the box "is open"

    void message(const QString &text, const QString &title, Icon icon) override;
    Answer askYesNo(const QString &text, const QString &title, Icon icon) override;

    QStringList texts() const;
    void clear() { shown.clear(); }
};
