#pragma once
// The bytes of one command frame and the judging of the reply to it, free of
// any port so that they can be checked (and fuzzed) on their own. Only Qt Core.
//
// Command: STX addr sub type item(4) data(0..) ETX BCC(2) CR
// Reply:   STX addr sub type item(4) code data(0 or 4) ETX BCC(2) CR
// BCC: the low 8 bits of the sum of the bytes from addr through ETX, as two
// upper-case hexadecimal digits.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace frame {

inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char CR = 0x0D;
inline constexpr char AckCode = 0x06;
inline constexpr char NakCode = 0x15;

// addr, sub, type and the four item digits that a reply repeats.
inline constexpr int EchoLength = 7;
// STX + echo + code + 4 data + ETX + 2 BCC + CR: no valid reply is longer.
inline constexpr int MaxReplyLength = 1 + EchoLength + 1 + 4 + 1 + 2 + 1;
inline constexpr int MinReplyLength = MaxReplyLength - 4;
// STX + echo + ETX + 2 BCC + CR: a read, which carries no data.
inline constexpr int ReadCommandLength = 1 + EchoLength + 1 + 2 + 1;

// Why the fields cannot make a command frame, or an empty text when they can.
// The item must be four upper-case hexadecimal digits as they go on the line:
// a lower-case item is refused rather than quietly changed, because the reply
// echoes the item and every item this program sends is written upper-case.
QString commandFieldError(const QString &address, const QString &sub, const QString &type, const QString &item,
                          const QString &data);

// The command frame; the fields must have passed commandFieldError.
QByteArray encodeCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                         const QString &data);

// The two BCC digits over the given bytes (addr through ETX).
QByteArray blockCheck(QByteArrayView bytes);

// A reply frame as an instrument would send it; for tests and the fuzz target.
QByteArray encodeReply(QByteArrayView command, char code, QByteArrayView data);

struct Reply {
    enum Status { Incomplete, Valid, Invalid };
    Status status = Incomplete;
    char code = 0;   // AckCode or NakCode when Valid
    QByteArray data; // empty or four hexadecimal digits when Valid
};

// Judges the bytes received so far against the command frame that was sent.
// Bytes before the first STX are skipped; from STX on, the frame ends at the
// first CR. Anything longer than MaxReplyLength without a CR is Invalid.
Reply parseReply(QByteArrayView received, QByteArrayView command);

// Collects a reply chunk by chunk without ever holding more than
// MaxReplyLength bytes: bytes before STX are dropped as they come.
class ReplyReader {
public:
    explicit ReplyReader(QByteArray command) : command_(std::move(command)) {}

    // The judgement after this chunk; once Valid or Invalid it stays so.
    Reply feed(QByteArrayView chunk);
    qsizetype buffered() const { return pending_.size(); }

private:
    QByteArray command_;
    QByteArray pending_;
    Reply result_;
};

} // namespace frame
