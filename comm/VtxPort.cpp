#include "comm/VtxPort.h"

QString VtxPort::ReplyData(const QString &reply, int /*n*/) const
{
    return reply.startsWith(ACK) ? reply.mid(1) : QString();
}
