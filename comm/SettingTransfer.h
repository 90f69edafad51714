#pragma once
// Setting transfer: serves the read and write requests that the setting
// dialog marks in the channel table, one command per call, interleaved by the
// main loop with polling on the one serial line.

#include "config/ChannelTable.h"

#include <QtGlobal>

#include <functional>

class Prompter;
class SettingFields;
class VtxPort;
struct SharedState;

class SettingTransfer {
public:
    // Where the transfer last looked: a setting item 1..10 of a channel 0..30
    // (both 0 before the first call).
    struct Position {
        qint16 item = 0;
        qint16 channel = 0;
    };

    SettingTransfer(VtxPort &vtx, SharedState &state, Prompter &prompter);

    // The setting dialog's fields, or nullptr while there is no dialog; then
    // no field is written or marked.
    void setFields(SettingFields *fields) { fields_ = fields; }

    // Looks at up to 31 table positions after the cursor and serves the first
    // pending request found there, a read before a write of the same item.
    // Sends at most one command; may show one message box.
    void TransferSettings();

    const Position &TransferCursor() const { return cursor_; }

    // Told of every write the instrument answered: the item's value as last
    // read from it (empty before a read) and as written, as the setting
    // dialog shows them, and whether it accepted the value.
    std::function<void(int channel, int item, const QString &before, const QString &after, bool accepted)>
        settingWritten;

private:
    void advanceCursor();
    void readSetting(int channel, int item);
    void writeSetting(int channel, int item);
    bool dialogShows(int channel) const;

    VtxPort &vtx_;
    SharedState &state_;
    Prompter &prompter_;
    SettingFields *fields_ = nullptr;
    const ItemCodeList ItemCode = settingItemCodes();
    Position cursor_;
    std::array<std::array<QString, TableItems>, ChannelCount> lastRead_;
};
