#pragma once
// The shared channel table: per channel its display name (item 0), the ten
// instrument settings with their pending transfers (items 1..10) and its
// monitoring state (item 11).

#include <QString>
#include <QtGlobal>

#include <array>

constexpr int ChannelCount = 31;   // channels 0..30
constexpr int TableChannels = 32;  // index 31 exists and is never used
constexpr int TableItems = 13;     // items 0..12

constexpr int NameItem = 0;
constexpr int FirstSettingItem = 1;
constexpr int LastSettingItem = 10;
constexpr int DecimalPointItem = 4;
constexpr int StateItem = 11;

struct ChannelItem {
    QString Value;
    qint16 WriteRequest = 0;
    qint16 ReadRequest = 0;
};

class ChannelTable {
public:
    ChannelItem &operator()(int channel, int item) { return cells_.at(std::size_t(channel)).at(std::size_t(item)); }
    const ChannelItem &operator()(int channel, int item) const { return cells_.at(std::size_t(channel)).at(std::size_t(item)); }

    QString name(int channel) const { return (*this)(channel, NameItem).Value; }
    QString state(int channel) const { return (*this)(channel, StateItem).Value; }

private:
    std::array<std::array<ChannelItem, TableItems>, TableChannels> cells_{};
};

// Data item code of each setting item 1..10; entries 0, 11 and 12 stay empty.
using ItemCodeList = std::array<QString, TableItems>;
ItemCodeList settingItemCodes();

// Decimal point place (0..3) of each instrument, indexed by device address.
using DecimalPlaceTable = std::array<qint16, 32>;

// Monitoring state tests. The panels hide a channel whose state contains
// "OFF" exactly as written; discovery, polling and the dialog treat a channel
// as monitored when the state contains "ON" in any case.
bool stateHidesPanel(const QString &state);
bool stateIsMonitored(const QString &state);
bool stateLogsEmpty(const QString &state); // contains "OFF" in any case
