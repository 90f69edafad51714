#pragma once
// A scripted stand-in for the communication component: it records every
// call and answers commands through a function the test supplies.

#include "comm/VtxPort.h"

#include <QStringList>

#include <functional>

struct SentCommand {
    QString address, sub, type, item, data;
    int count = 0;
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
        sent << SentCommand{address, sub, type, item, data, count};
        calls << QStringLiteral("Send ") + item;
        return reply(sent.last());
    }

    static QString ack(const QString &data = QString()) { return QString(ACK) + data; }
    static QString nak(const QString &code = QStringLiteral("0002")) { return QString(NAK) + code; }
    static QString none() { return QString(ESC); }
};
