#include "comm/Discovery.h"

#include "comm/Commands.h"
#include "comm/VtxPort.h"
#include "config/Prompter.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"

#include <exception>

Discovery::Discovery(VtxPort &vtx, SharedState &state, SettingsStore &store, Prompter &prompter)
    : vtx_(vtx), state_(state), store_(store), prompter_(prompter)
{
}

QStringList Discovery::portCandidates(const QString &savedPort)
{
    // Duplicates are kept: a saved "COM1" is tried first and again second.
    return {savedPort, QStringLiteral("COM1"), QStringLiteral("COM2")};
}

QStringList Discovery::speedCandidates(const QString &savedSpeed)
{
    return {savedSpeed, QStringLiteral("19200"), QStringLiteral("9600"), QStringLiteral("4800"),
            QStringLiteral("2400")};
}

int Discovery::probeChannel() const
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (stateIsMonitored(state_.channels.state(channel)))
            return channel;
    }
    return -1;
}

QString Discovery::StartLink()
{
    const QString savedSpeed = store_.get(QStringLiteral("Speed"), QStringLiteral("9600"));
    const QString savedPort = store_.get(QStringLiteral("CommPort"), QStringLiteral("COM1"));
    QString port = savedPort;
    const QString found = DiscoverLink(port, savedSpeed);
    if (!found.isEmpty()) {
        const SettingsStore::SaveScope oneSave(store_);
        if (found != savedSpeed)
            store_.save(QStringLiteral("Speed"), found);
        if (port != savedPort)
            store_.save(QStringLiteral("CommPort"), port);
    }
    return found;
}

QString Discovery::DiscoverLink(QString &port, const QString &speed)
{
    const int channel = probeChannel();
    if (channel < 0)
        return QString();
    // An address no instrument can have: nothing can answer, so nothing is
    // opened (every round would open and close all fifteen pairs).
    const qint64 address = state_.deviceAddress(channel);
    if (!isValidAddress(address))
        return QString();
    try {
        return tryCandidates(port, speed, address);
    } catch (const std::exception &) {
        // Any error of the component stops discovery; the operator is told
        // and decides whether to end the program.
        reportCommunicationError();
        return QString();
    }
}

bool Discovery::isLineSpeed(const QString &speed)
{
    // A whole number of bit/s a converter can run at. Slower than 1200 a
    // probe waits seconds for its answer ("10": 24 s an attempt).
    bool ok = false;
    const qint64 value = speed.trimmed().toLongLong(&ok);
    return ok && value >= 1200 && value <= 4000000;
}

QString Discovery::tryCandidates(QString &port, const QString &speed, qint64 address)
{
    for (const QString &portCandidate : portCandidates(port)) {
        vtx_.SetPort(portCandidate);
        for (const QString &speedCandidate : speedCandidates(speed)) {
            // A hand-edited saved speed that is no line speed: as if nothing
            // answered at it, on with the next.
            if (!isLineSpeed(speedCandidate))
                continue;
            vtx_.SetSpeed(speedCandidate);
            if (!vtx_.Open())
                break; // this port does not exist: on with the next port
            const QString reply =
                commands::send(vtx_, address, commands::Read, commands::PvItem, QString(), commands::ProbeCount);
            if (reply.startsWith(ACK)) {
                port = portCandidate;
                return speedCandidate;
            }
            vtx_.Close();
        }
    }
    return QString();
}

void Discovery::reportCommunicationError()
{
    prompter_.message(QStringLiteral("Communication error has occurred.\r\n"
                                     "Check the connection between Host-computer<-->Comunication converter\r\n"
                                     "and between Comunication converter<-->VTX-500 if they are properly connected.\r\n"
                                     "Check the power supply about the Comunication converter and the VTX-500."),
                      QStringLiteral("Communication error"), Prompter::Icon::Warning);
    const Prompter::Answer answer = prompter_.askYesNo(QStringLiteral("Do you want to close the PLM-VX001E?"),
                                                       QStringLiteral("PLM-VX001E completion"),
                                                       Prompter::Icon::Question);
    if (answer == Prompter::Answer::Yes)
        closeRequested_ = true;
}
