#include "CountingPrompter.h"

void CountingPrompter::message(const QString &text, const QString &, Icon)
{
    ++counts_[text];
}

Prompter::Answer CountingPrompter::askYesNo(const QString &text, const QString &, Icon)
{
    ++counts_[text];
    return Answer::No;
}

int CountingPrompter::total() const
{
    int sum = 0;
    for (int n : counts_)
        sum += n;
    return sum;
}
