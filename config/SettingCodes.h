#pragma once
// The texts of the setting dialog and how its fields turn into the data
// fields of setting writes, and read replies back into field texts.

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace settingcodes {

// Caption of an item's label in the setting dialog (items 0..11).
QString itemCaption(int item);

// The channel a channel selector text names: its leading number rounded to a
// whole number, when the text has a number at all and that lies in 0..30.
// Empty text, letters, 31, 40 or -1 name no channel.
std::optional<int> channelFromSelector(QStringView text);

// Decimal point place (0..3) of an instrument's reply to the place item:
// "0003", "0001" and "0002" compared exactly; anything else is 0.
int placesFromReply(QStringView data);

// The place pattern shown in the place field: 0 "xxxx", 1 "xxx.x", 2 "xx.xx",
// 3 "x.xxx"; any other count shows as "xxxx".
QString placePattern(int places);

// The place code written for a place field text: the first of "XXXX"/"xxxx"
// (0000), "XXX.X"/"xxx.x" (0001), "XX.XX"/"xx.xx" (0002), "X.XXX"/"x.xxx"
// (0003) that the text contains, case as written; otherwise "0000". The
// zero-place test comes first, so "    .xxxx" is "0000".
QString placeCodeFromText(const QString &text);

// The widest span of field numbers a setting write can carry: signed or
// unsigned 16 bits.
inline constexpr qint64 LowestSettingNumber = -32768;
inline constexpr qint64 HighestSettingNumber = 65535;

// The data field written for a setting field text: the number the text
// starts with ("12.5", " 100", "&H1F") rounded half to even, as four hex
// digits of its low 16 bits. Empty when the text starts with no number ("",
// "abc"), which would be written as 0, or the number lies outside
// LowestSettingNumber..HighestSettingNumber, because its low 16 bits would be
// a different value than the one the operator typed.
QString settingValueCode(QStringView text);

} // namespace settingcodes
