#pragma once
// A clock that stands still until the test moves it.

#include "logging/Clock.h"

class FakeClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2006, 12, 5), QTime(8, 46, 0));
    QDateTime now() const override { return current; }
    void set(const QTime &time) { current.setTime(time); }
    void advance(double seconds) { current = current.addMSecs(qint64(seconds * 1000)); }
};
