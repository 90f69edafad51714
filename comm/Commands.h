#pragma once
// Building the fields of one instrument command from a device address.

#include "comm/VtxPort.h"

#include <QString>

namespace commands {

inline const QString PvItem = QStringLiteral("0080");
inline const QString StatusItem = QStringLiteral("0081");
inline const QString Read = QStringLiteral(" ");
inline const QString Write = QStringLiteral("P");
inline constexpr int ProbeCount = 2;
inline constexpr int CommandCount = 3;

// The operator's message for an instrument that did not answer, shown by
// polling and by setting transfer.
inline const QString NoResponseText = QStringLiteral("No response from VTX.");

// The address character of a device address 0..31 (address + 32); empty for
// an address outside that range, which no instrument can answer to.
QString addressCharacter(qint64 address);

// The shortest time one polling cycle over n channels can take on the wire:
// per channel the PV read and the status read, each a read command and an
// ACK reply with four data digits, 10 bits a character at the line speed,
// plus turnaroundMs before each reply. 0 when no channel or no speed.
double cycleWireLimitMs(int channels, qint32 baudRate, double turnaroundMs = 0);

// Sends one command to the instrument at a device address. An address outside
// 0..31 is treated as an instrument that does not answer: nothing goes on the
// line and the result is ESC.
QString send(VtxPort &vtx, qint64 address, const QString &type, const QString &item, const QString &data, int count);

} // namespace commands
