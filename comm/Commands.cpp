#include "comm/Commands.h"

#include "config/SharedState.h"

namespace commands {

QString addressCharacter(qint64 address)
{
    return isValidAddress(address) ? QString(QChar(char16_t(address + 32))) : QString();
}

QString send(VtxPort &vtx, qint64 address, const QString &type, const QString &item, const QString &data, int count)
{
    const QString character = addressCharacter(address);
    if (character.isEmpty())
        return QString(ESC);
    return vtx.SendCommand(character, QStringLiteral(" "), type, item, data, count);
}

} // namespace commands
