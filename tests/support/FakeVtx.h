#pragma once
// A scripted stand-in for the communication component: it records every
// call and answers commands through a function the test supplies.

#include "comm/VtxPort.h"

#include <QStringList>

#include <algorithm>
#include <functional>

struct SentCommand {
    QString address, sub, type, item, data;
    int count = 0;
    QString port, speed; // the line it went out on
    int deviceAddress() const { return address.isEmpty() ? -1 : address.at(0).unicode() - 32; }
};

class FakeVtx : public VtxPort {
public:
    // Answers a command; the default is no answer (ESC).
    std::function<QString(const SentCommand &)> reply = [](const SentCommand &) { return QString(ESC); };
    // Decides Open(); the default opens every port. May throw VtxError.
    std::function<bool(const QString &port, const QString &speed)> open = [](const QString &, const QString &) {
        return true;
    };

    // Told of the attempts each reply stands for: one for an answer, count
    // (at least one) for no answer.
    std::function<void(const AttemptReport &)> observer;

    QList<SentCommand> sent;
    QStringList calls; // "SetPort COM1", "SetSpeed 9600", "Open", "Close", "Send 0080"
    QString port, speed;
    bool isOpen = false;

    void SetPort(const QString &name) override { calls << QStringLiteral("SetPort ") + (port = name); }
    void SetSpeed(const QString &text) override { calls << QStringLiteral("SetSpeed ") + (speed = text); }
    bool Open() override
    {
        calls << QStringLiteral("Open");
        return isOpen = open(port, speed);
    }
    void Close() override
    {
        calls << QStringLiteral("Close");
        isOpen = false;
    }
    QString SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                        const QString &data, int count) override
    {
        sent << SentCommand{address, sub, type, item, data, count, port, speed};
        calls << QStringLiteral("Send ") + item;
        const QString result = reply(sent.last());
        if (observer && result == none())
            for (int n = 1; n <= std::max(count, 1); ++n)
                observer({n, AttemptReport::Outcome::Silence, QString()});
        else if (observer && (result.startsWith(ACK) || result.startsWith(NAK)))
            observer({1, result.startsWith(ACK) ? AttemptReport::Outcome::Ack : AttemptReport::Outcome::Nak,
                      result.mid(1)});
        return result;
    }
    void setAttemptObserver(std::function<void(const AttemptReport &)> o) override { observer = std::move(o); }

    static QString ack(const QString &data = QString()) { return QString(ACK) + data; }
    static QString nak(const QString &code = QStringLiteral("0002")) { return QString(NAK) + code; }
    static QString none() { return QString(ESC); }
};
