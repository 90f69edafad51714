#pragma once
// The frames on the instrument line as an instrument sees them: decoding a
// command from the host and building the reply that goes back.

#include <QByteArray>

#include <optional>

namespace sim {

inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char ACK = 0x06;
inline constexpr char NAK = 0x15;
inline constexpr char CR = 0x0D;

inline constexpr char ReadType = ' ';
inline constexpr char WriteType = 'P';

// A command frame that passed the framing and checksum rules. Item and data
// are kept as sent; the instrument judges them (unknown item, bad data).
struct CommandFrame {
    int address = 0;     // 0..31
    char sub = ' ';      // echoed in the reply
    char type = ReadType;
    QByteArray item;     // always 4 characters
    QByteArray data;     // empty for a read; any printable text otherwise

    bool isWrite() const { return type == WriteType; }
};

// Two upper-case hex digits of the low 8 bits of the byte sum.
QByteArray blockCheck(const QByteArray &bytes);

// STX .. CR of one command, or nothing when the bytes break the framing
// (no STX/ETX/CR where they belong, a wrong BCC, an address outside 0..31,
// a type other than read or write, a control character inside).
std::optional<CommandFrame> decodeCommand(const QByteArray &bytes);

// The bytes a host sends for a command; used by the tests and kept next to
// the decoder so the two cannot drift apart.
QByteArray encodeCommand(int address, char type, const QByteArray &item, const QByteArray &data = {},
                         char sub = ' ');

// The reply to a command: its echo, ACK or NAK, the data, ETX, BCC, CR.
QByteArray encodeReply(const CommandFrame &command, bool accepted, const QByteArray &data);

} // namespace sim
