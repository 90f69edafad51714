#include "support/ScriptedPrompter.h"

void ScriptedPrompter::message(const QString &text, const QString &title, Icon icon)
{
    shown.append({text, title, icon, false});
    if (onShow)
        onShow(shown.last());
}

Prompter::Answer ScriptedPrompter::askYesNo(const QString &text, const QString &title, Icon icon)
{
    shown.append({text, title, icon, true});
    if (onShow)
        onShow(shown.last());
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList result;
    for (const Shown &s : shown)
        result << s.text;
    return result;
}
