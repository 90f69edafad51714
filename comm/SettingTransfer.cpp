#include "comm/SettingTransfer.h"

#include "comm/Commands.h"
#include "config/Numbers.h"
#include "config/Prompter.h"
#include "config/SettingCodes.h"
#include "config/SettingFields.h"
#include "config/SharedState.h"

namespace {
// One round of the cursor visits every channel once: at most this many
// positions are examined per call.
constexpr int ScanBudget = 31;

// A setting's data field as the setting dialog shows it.
QString fieldText(int item, const QString &code)
{
    if (code.isEmpty())
        return QString();
    if (item == DecimalPointItem)
        return settingcodes::placePattern(settingcodes::placesFromReply(code));
    return numbers::wholeNumberText(numbers::decodeHex16(code));
}
} // namespace

SettingTransfer::SettingTransfer(VtxPort &vtx, SharedState &state, Prompter &prompter)
    : vtx_(vtx), state_(state), prompter_(prompter)
{
}

void SettingTransfer::TransferSettings()
{
    for (int budget = ScanBudget; budget > 0; --budget) {
        advanceCursor();
        const ChannelItem &cell = state_.channels(cursor_.channel, cursor_.item);
        if (cell.ReadRequest != 0) {
            readSetting(cursor_.channel, cursor_.item);
            return;
        }
        if (cell.WriteRequest != 0) {
            writeSetting(cursor_.channel, cursor_.item);
            return;
        }
    }
}

void SettingTransfer::advanceCursor()
{
    if (cursor_.item >= LastSettingItem) {
        cursor_.item = FirstSettingItem;
        cursor_.channel = cursor_.channel >= ChannelCount - 1 ? 0 : qint16(cursor_.channel + 1);
    } else {
        cursor_.item = qint16(cursor_.item + 1);
    }
}

void SettingTransfer::readSetting(int channel, int item)
{
    const qint64 address = state_.deviceAddress(channel);
    ChannelItem &cell = state_.channels(channel, item);
    const QString reply = commands::send(vtx_, address, commands::Read, ItemCode[std::size_t(item)], QString(),
                                         commands::CommandCount);
    // Cleared before any message box: a timer tick while the box is open
    // must not see the request as still pending.
    cell.ReadRequest = 0;
    if (reply.startsWith(ACK)) {
        cell.Value = vtx_.ReplyData(reply, 1);
        if (channel < ChannelCount)
            lastRead_[std::size_t(channel)][std::size_t(item)] = cell.Value;
        if (!dialogShows(channel))
            return;
        if (item == DecimalPointItem) {
            const int places = settingcodes::placesFromReply(cell.Value);
            fields_->setItemText(item, settingcodes::placePattern(places));
            // An address outside 0..31 has no entry to hold its place.
            if (isValidAddress(address))
                state_.DecimalPlaces[std::size_t(address)] = qint16(places);
        } else {
            fields_->setItemText(item, numbers::wholeNumberText(numbers::decodeHex16(cell.Value)));
        }
    } else if (reply.startsWith(NAK)) {
        prompter_.message(QStringLiteral("Setting cannot be read."));
    } else if (reply.startsWith(ESC)) {
        prompter_.message(commands::NoResponseText);
    }
}

void SettingTransfer::writeSetting(int channel, int item)
{
    const qint64 address = state_.deviceAddress(channel);
    ChannelItem &cell = state_.channels(channel, item);
    const QString reply = commands::send(vtx_, address, commands::Write, ItemCode[std::size_t(item)], cell.Value,
                                         commands::CommandCount);
    const bool answered = reply.startsWith(ACK) || reply.startsWith(NAK);
    if (answered && settingWritten && channel < ChannelCount) {
        QString &lastRead = lastRead_[std::size_t(channel)][std::size_t(item)];
        settingWritten(channel, item, fieldText(item, lastRead), fieldText(item, cell.Value), reply.startsWith(ACK));
        // What the instrument holds now.
        if (reply.startsWith(ACK))
            lastRead = cell.Value;
    }
    if (reply.startsWith(ACK)) {
        cell.WriteRequest = 0;
    } else if (reply.startsWith(NAK)) {
        cell.WriteRequest = 0;
        // The refused field turns red whichever channel the dialog shows now.
        if (fields_)
            fields_->markRefused(item);
        prompter_.message(QStringLiteral("It can not set up. It is over setting allowable span."));
    } else if (reply.startsWith(ESC)) {
        // Kept pending: tried again on the cursor's next round.
        prompter_.message(commands::NoResponseText);
    }
}

bool SettingTransfer::dialogShows(int channel) const
{
    if (!fields_)
        return false;
    return settingcodes::channelFromSelector(fields_->channelSelectorText()) == channel;
}
