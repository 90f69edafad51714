#include "comm/Polling.h"

#include "comm/Commands.h"
#include "comm/VtxPort.h"
#include "config/Numbers.h"
#include "config/PanelView.h"
#include "config/Prompter.h"
#include "config/SharedState.h"

#include <QLocale>

namespace {

const QString Unreadable = QStringLiteral("----");

// The value of an ACK reply's data field.
qint16 replyValue(const VtxPort &vtx, const QString &reply)
{
    return numbers::decodeHex16(vtx.ReplyData(reply, 1));
}

} // namespace

QString FormatPv(qint16 pv, qint64 address, const DecimalPlaceTable &decimalPlaces)
{
    if (address < 0 || address >= qint64(decimalPlaces.size()))
        return QString();
    const int places = decimalPlaces[std::size_t(address)];
    // A place no instrument has (a damaged VX5DP.DAT) shows the PV as sent
    // rather than nothing, which would read as a channel switched OFF.
    if (places <= 0 || places > 3)
        return QString::number(pv);

    // Whole-number arithmetic, so that no value is ever rounded: the digits
    // shown are exactly the digits the instrument sent.
    static constexpr int divisors[] = {1, 10, 100, 1000};
    const int divisor = divisors[places];
    const int magnitude = pv < 0 ? -int(pv) : int(pv); // -32768 fits in int
    const QString fraction = QString::number(magnitude % divisor).rightJustified(places, QLatin1Char('0'));
    return (pv < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / divisor)
           + QLocale().decimalPoint() + fraction;
}

Polling::Polling(VtxPort &vtx, SharedState &state, PanelView &panels, Prompter &prompter)
    : vtx_(vtx), state_(state), panels_(panels), prompter_(prompter)
{
}

void Polling::ReadAllPv()
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const qint64 address = state_.deviceAddress(channel);
        const QString reply = commands::send(vtx_, address, commands::Read, commands::PvItem, QString(),
                                             commands::CommandCount);
        // Only an ACK reply carries a value; anything else would read as a
        // made-up 0, so it shows as unreadable instead.
        panels_.setPvText(channel, reply.startsWith(ACK) ? FormatPv(replyValue(vtx_, reply), address,
                                                                    state_.DecimalPlaces)
                                                         : Unreadable);
    }
}

void Polling::PollChannels()
{
    // Highest channel first, so the operator meets the messages of the
    // right-hand panels before those of the left-hand ones.
    for (int channel = ChannelCount - 1; channel >= 0; --channel) {
        if (!stateIsMonitored(state_.channels.state(channel)))
            continue;
        const qint64 address = state_.deviceAddress(channel);
        pollPv(channel, address);
        // The status word is read whatever became of the PV.
        pollStatus(channel, address);
    }
}

int Polling::polledChannels() const
{
    int polled = 0;
    for (int channel = 0; channel < ChannelCount; ++channel)
        polled += stateIsMonitored(state_.channels.state(channel)) && isValidAddress(state_.deviceAddress(channel));
    return polled;
}

void Polling::pollPv(int channel, qint64 address)
{
    const QString reply = commands::send(vtx_, address, commands::Read, commands::PvItem, QString(),
                                         commands::CommandCount);
    if (reply.startsWith(ACK))
        panels_.setPvText(channel, FormatPv(replyValue(vtx_, reply), address, state_.DecimalPlaces));
    else if (reply.startsWith(NAK))
        showFailure(channel, QStringLiteral("PV cannot be read."));
    else if (reply.startsWith(ESC))
        showFailure(channel, commands::NoResponseText);
    // Any other reply is none of the three: the panel keeps what it shows.
}

void Polling::pollStatus(int channel, qint64 address)
{
    const QString reply = commands::send(vtx_, address, commands::Read, commands::StatusItem, QString(),
                                         commands::CommandCount);
    if (reply.startsWith(ACK))
        panels_.setLamps(channel, quint16(replyValue(vtx_, reply)));
    else if (reply.startsWith(NAK))
        showFailure(channel, QStringLiteral("Condition cannot be read."));
    else if (reply.startsWith(ESC))
        showFailure(channel, commands::NoResponseText);
}

void Polling::showFailure(int channel, const QString &text)
{
    // The panel shows the failure before the modal box holds the cycle.
    panels_.setPvText(channel, Unreadable);
    prompter_.message(text);
}
