#pragma once
// Loading and saving of the channel configuration: the settings store keys of
// every channel and the logging interval, and the decimal places in VX5DP.DAT.

#include "config/SharedState.h"

#include <QString>

class Prompter;
class SettingsStore;

namespace configuration {

// Device addresses, names and monitoring states from the store, unchanged (no
// trimming or validation of the texts), and the logging interval: the stored
// text as it stands when it is an interval, otherwise "60" in the field and in
// force (loginterval::fieldText); the store itself is left alone.
void regRead(SharedState &state, const SettingsStore &store);

// Names and monitoring states of channels 0..30 to the store.
void saveChannelConfiguration(const SharedState &state, SettingsStore &store);

// Device address fields from the store ("0" for a missing key): the address
// dialog's Cancel, and its reload each time it opens.
void reloadAddresses(SharedState &state, const SettingsStore &store);

// All 31 address fields to the store exactly as typed: the address dialog's OK.
void saveAddresses(const SharedState &state, SettingsStore &store);

inline const QString DecimalPlaceFile = QStringLiteral("VX5DP.DAT");

// Reads records 1..31 (signed 16-bit little-endian) into DecimalPlaces(0..30).
// No file: all zero. A short file leaves the missing entries 0. A file that
// exists but cannot be read, or anything but a regular file in its place (a
// FIFO, a directory, a device), is reported through the prompter; the values
// in memory are then left as they were. Entries outside 0..3 are kept as
// read (FormatPv shows such PVs without decimal places) and their device
// addresses told in one message.
void loadDecimalPlaces(DecimalPlaceTable &places, Prompter &prompter, const QString &path = DecimalPlaceFile);

// Writes DecimalPlaces(0..30) over bytes 0..61, keeping any bytes beyond them.
// A failure, or anything but a regular file in the file's place, is reported
// through the prompter and nothing else changes.
void saveDecimalPlaces(const DecimalPlaceTable &places, Prompter &prompter, const QString &path = DecimalPlaceFile);

} // namespace configuration
