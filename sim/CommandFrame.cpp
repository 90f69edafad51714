#include "sim/CommandFrame.h"

namespace sim {

namespace {

// The shortest command: STX, address, sub, type, 4-char item, ETX, 2 BCC, CR.
constexpr qsizetype MinimumCommandLength = 12;

bool isPrintable(char c) { return c >= 0x20 && c <= 0x7E; }

QByteArray closeFrame(QByteArray frame)
{
    // The BCC covers the address through ETX, so STX is left out.
    frame.append(ETX);
    frame.append(blockCheck(frame.mid(1)));
    frame.append(CR);
    return frame;
}

} // namespace

QByteArray blockCheck(const QByteArray &bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    return QByteArray::number(sum & 0xFFu, 16).toUpper().rightJustified(2, '0');
}

std::optional<CommandFrame> decodeCommand(const QByteArray &bytes)
{
    const qsizetype n = bytes.size();
    if (n < MinimumCommandLength || bytes.front() != STX || bytes.back() != CR || bytes.at(n - 4) != ETX)
        return std::nullopt;
    if (bytes.mid(n - 3, 2) != blockCheck(bytes.mid(1, n - 4)))
        return std::nullopt;

    const QByteArray body = bytes.mid(1, n - 5); // address .. last data character
    for (char c : body)
        if (!isPrintable(c))
            return std::nullopt;

    CommandFrame frame;
    frame.address = body.at(0) - 0x20;
    if (frame.address > 31)
        return std::nullopt;
    frame.sub = body.at(1);
    frame.type = body.at(2);
    if (frame.type != ReadType && frame.type != WriteType)
        return std::nullopt;
    frame.item = body.mid(3, 4);
    frame.data = body.mid(7);
    return frame;
}

QByteArray encodeCommand(int address, char type, const QByteArray &item, const QByteArray &data, char sub)
{
    QByteArray frame;
    frame.append(STX);
    frame.append(static_cast<char>(0x20 + address));
    frame.append(sub);
    frame.append(type);
    frame.append(item);
    frame.append(data);
    return closeFrame(frame);
}

QByteArray encodeReply(const CommandFrame &command, bool accepted, const QByteArray &data)
{
    QByteArray frame;
    frame.append(STX);
    frame.append(static_cast<char>(0x20 + command.address));
    frame.append(command.sub);
    frame.append(command.type);
    frame.append(command.item);
    frame.append(accepted ? ACK : NAK);
    frame.append(data);
    return closeFrame(frame);
}

} // namespace sim
