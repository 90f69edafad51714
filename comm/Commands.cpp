#include "comm/Commands.h"

#include "comm/Frame.h"
#include "config/SharedState.h"

namespace commands {

QString addressCharacter(qint64 address)
{
    return isValidAddress(address) ? QString(QChar(char16_t(address + 32))) : QString();
}

double cycleWireLimitMs(int channels, qint32 baudRate, double turnaroundMs)
{
    if (channels <= 0 || baudRate <= 0)
        return 0;
    constexpr int CommandsPerChannel = 2; // PV and status word
    constexpr int Characters = frame::ReadCommandLength + frame::MaxReplyLength;
    const double perCommandMs = double(Characters) * 10 * 1000 / baudRate + turnaroundMs;
    return perCommandMs * CommandsPerChannel * channels;
}

QString send(VtxPort &vtx, qint64 address, const QString &type, const QString &item, const QString &data, int count)
{
    const QString character = addressCharacter(address);
    if (character.isEmpty())
        return QString(ESC);
    return vtx.SendCommand(character, QStringLiteral(" "), type, item, data, count);
}

} // namespace commands
