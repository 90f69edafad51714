#include "comm/Frame.h"

#include <algorithm>

namespace frame {

namespace {

bool isUpperHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

bool isUpperHex(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return isUpperHexDigit(char16_t(uchar(c))); });
}

bool isPrintableAscii(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() <= 0x7E;
}

// One character within [low, high]; otherwise why not.
QString characterFieldError(const QString &field, const QString &name, char16_t low, char16_t high)
{
    if (field.size() != 1)
        return QStringLiteral("the %1 must be exactly one character").arg(name);
    const char16_t c = field.at(0).unicode();
    if (c < low || c > high)
        return QStringLiteral("the %1 character (code %2) is outside %3..%4")
            .arg(name)
            .arg(int(c))
            .arg(int(low))
            .arg(int(high));
    return QString();
}

} // namespace

QString commandFieldError(const QString &address, const QString &sub, const QString &type, const QString &item,
                          const QString &data)
{
    // 0x20 + device address 0..31.
    QString error = characterFieldError(address, QStringLiteral("address"), 0x20, 0x3F);
    if (error.isEmpty())
        error = characterFieldError(sub, QStringLiteral("sub-address"), 0x20, 0x7E);
    if (error.isEmpty())
        error = characterFieldError(type, QStringLiteral("command type"), 0x20, 0x7E);
    if (!error.isEmpty())
        return error;
    if (item.size() != 4 || !std::all_of(item.begin(), item.end(), [](QChar c) { return isUpperHexDigit(c.unicode()); }))
        return QStringLiteral("the data item \"%1\" is not four upper-case hexadecimal digits").arg(item);
    for (const QChar c : data) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("the data holds the control character %1").arg(int(c.unicode()));
        // Each character goes on the line as one byte; anything beyond ASCII
        // (C1 controls among them) has no single-byte form here.
        if (!isPrintableAscii(c))
            return QStringLiteral("the data holds the character %1, which is not plain ASCII").arg(int(c.unicode()));
    }
    return QString();
}

QByteArray blockCheck(QByteArrayView bytes)
{
    unsigned sum = 0;
    for (const char c : bytes)
        sum += uchar(c);
    return QByteArray::number(sum & 0xFFu, 16).toUpper().rightJustified(2, '0');
}

QByteArray encodeCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                         const QString &data)
{
    QByteArray body = (address + sub + type + item + data).toLatin1();
    body.append(ETX);
    return STX + body + blockCheck(body) + CR;
}

QByteArray encodeReply(QByteArrayView command, char code, QByteArrayView data)
{
    QByteArray body = command.sliced(1, EchoLength).toByteArray();
    body.append(code);
    body.append(data.data(), data.size());
    body.append(ETX);
    return STX + body + blockCheck(body) + CR;
}

Reply parseReply(QByteArrayView received, QByteArrayView command)
{
    Reply reply;
    const qsizetype start = received.indexOf(STX);
    if (start < 0)
        return reply; // nothing but noise so far
    const QByteArrayView frame = received.sliced(start);
    const qsizetype end = frame.indexOf(CR);
    if (end < 0) {
        if (frame.size() >= MaxReplyLength)
            reply.status = Reply::Invalid;
        return reply;
    }

    reply.status = Reply::Invalid;
    const qsizetype length = end + 1;
    if ((length != MinReplyLength && length != MaxReplyLength) || command.size() < 1 + EchoLength)
        return reply;
    if (frame.sliced(1, EchoLength) != command.sliced(1, EchoLength))
        return reply; // an answer to some other command
    const char code = frame.at(1 + EchoLength);
    if (code != AckCode && code != NakCode)
        return reply;
    const qsizetype dataLength = length - MinReplyLength;
    const QByteArrayView data = frame.sliced(2 + EchoLength, dataLength);
    if (!isUpperHex(data))
        return reply;
    const qsizetype etx = 2 + EchoLength + dataLength;
    if (frame.at(etx) != ETX || frame.sliced(etx + 1, 2) != blockCheck(frame.sliced(1, etx)))
        return reply;

    reply.status = Reply::Valid;
    reply.code = code;
    reply.data = data.toByteArray();
    return reply;
}

Reply ReplyReader::feed(QByteArrayView chunk)
{
    if (result_.status != Reply::Incomplete)
        return result_;
    if (pending_.isEmpty()) {
        const qsizetype start = chunk.indexOf(STX);
        if (start < 0)
            return result_;
        chunk = chunk.sliced(start);
    }
    // Bytes beyond the longest frame cannot change the judgement.
    const qsizetype room = MaxReplyLength - pending_.size();
    pending_.append(chunk.first(std::min(room, chunk.size())));
    result_ = parseReply(pending_, command_);
    return result_;
}

} // namespace frame
