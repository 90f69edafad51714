#include "support/FakeVtx.h"

void FakeVtx::SetPort(const QString &name)
{
    port = name;
    calls << QStringLiteral("SetPort ") + name;
}

void FakeVtx::SetSpeed(const QString &text)
{
    speed = text;
    calls << QStringLiteral("SetSpeed ") + text;
}

bool FakeVtx::Open()
{
    calls << QStringLiteral("Open");
    isOpen = open(port, speed);
    return isOpen;
}

void FakeVtx::Close()
{
    calls << QStringLiteral("Close");
    isOpen = false;
}

QString FakeVtx::SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                             const QString &data, int count)
{
    SentCommand command{address, sub, type, item, data, count};
    sent << command;
    calls << QStringLiteral("Send ") + item;
    return reply(command);
}
