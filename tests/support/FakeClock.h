#pragma once
// A clock that stands still until the test moves it: advance() lets time
// pass, step() sets the clock (as the operator or time synchronisation
// would) without any time passing.

#include "logging/Clock.h"

class FakeClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2006, 12, 5), QTime(8, 46, 0));
    qint64 elapsed = 0;
    QDateTime now() const override { return current; }
    qint64 elapsedMs() const override { return elapsed; }
    void set(const QTime &time) { current.setTime(time); }
    void advance(double seconds)
    {
        current = current.addMSecs(qint64(seconds * 1000));
        elapsed += qint64(seconds * 1000);
    }
    void step(double seconds) { current = current.addMSecs(qint64(seconds * 1000)); }
};
