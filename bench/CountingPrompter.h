#pragma once
// A prompter for unattended runs: every box is answered at once (OK, and No
// to a question) and counted by its text, so a run can tell afterwards which
// messages the operator would have seen and how often.

#include "config/Prompter.h"

#include <QMap>
#include <QString>

class CountingPrompter : public Prompter {
public:
    void message(const QString &text, const QString &title, Icon icon) override;
    Answer askYesNo(const QString &text, const QString &title, Icon icon) override;

    const QMap<QString, int> &counts() const { return counts_; }
    int total() const;
    void clear() { counts_.clear(); }

private:
    QMap<QString, int> counts_;
};
