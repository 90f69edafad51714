#pragma once
// The simulator on a pty and the real communication component opened on it.

#include "comm/Vtx.h"
#include "support/SimProcess.h"

struct SimLine {
    explicit SimLine(const QStringList &args) : sim(args) {}

    // Starts the simulator and opens its link at the speed; false on failure.
    bool open(const QString &speed = QStringLiteral("9600"))
    {
        if (!sim.start())
            return false;
        vtx.SetPort(sim.link());
        vtx.SetSpeed(speed);
        return vtx.Open();
    }
    QString read(int address, const QString &item, int count = 3) { return send(address, " ", item, {}, count); }
    QString write(int address, const QString &item, const QString &data, int count = 3)
    {
        return send(address, "P", item, data, count);
    }
    QString send(int address, const char *type, const QString &item, const QString &data, int count)
    {
        return vtx.SendCommand(QString(QChar(char16_t(32 + address))), QStringLiteral(" "), QString::fromLatin1(type),
                               item, data, count);
    }

    SimProcess sim;
    Vtx vtx;
};
