// Feeds arbitrary bytes to the reply parser as if they came from the line in
// answer to a few fixed commands, and checks what any reply must satisfy.

#include "comm/Frame.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isFourUpperHex(const QByteArray &data)
{
    if (data.size() != 4)
        return false;
    for (const char c : data)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

const std::array<QByteArray, 3> &commands()
{
    static const std::array<QByteArray, 3> list{
        frame::encodeCommand(QStringLiteral("#"), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("0080"),
                             QString()),
        frame::encodeCommand(QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("P"), QStringLiteral("0009"),
                             QStringLiteral("0014")),
        frame::encodeCommand(QStringLiteral("?"), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("0081"),
                             QString()),
    };
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the command and how the bytes arrive in chunks.
    const QByteArrayView input(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size - 1));
    const QByteArray &command = commands()[bytes[0] % commands().size()];
    const qsizetype chunk = 1 + (bytes[0] >> 2);

    const frame::Reply whole = frame::parseReply(input, command);
    if (whole.status == frame::Reply::Valid) {
        check(whole.code == frame::AckCode || whole.code == frame::NakCode);
        check(whole.data.isEmpty() || isFourUpperHex(whole.data));
        // A valid reply repeats the command and nothing else passes: rebuilding
        // it from the judgement gives the very frame that was found.
        const QByteArray rebuilt = frame::encodeReply(command, whole.code, whole.data);
        check(input.indexOf(QByteArrayView(rebuilt)) == input.indexOf(frame::STX));
    } else {
        check(whole.code == 0 && whole.data.isEmpty());
    }

    // The same bytes in chunks give the same judgement with a bounded buffer.
    frame::ReplyReader reader(command);
    frame::Reply piecewise;
    for (qsizetype at = 0; at < input.size(); at += chunk) {
        piecewise = reader.feed(input.sliced(at, std::min(chunk, input.size() - at)));
        check(reader.buffered() <= frame::MaxReplyLength);
    }
    if (input.isEmpty())
        piecewise = reader.feed(input);
    check(piecewise.status == whole.status);
    check(piecewise.code == whole.code && piecewise.data == whole.data);
    return 0;
}
