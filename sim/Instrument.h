#pragma once
// One simulated instrument: its process value, its settings and the rules by
// which it accepts or refuses what the host reads and writes.

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

namespace sim {

// NAK error codes.
inline constexpr char UnknownItem[] = "0001";
inline constexpr char OutsideSpan[] = "0002";
inline constexpr char NotWritable[] = "0003";
inline constexpr char MalformedData[] = "0004";

// The instrument's answer: ACK with data (a value, or nothing after a write)
// or NAK with an error code.
struct Response {
    bool accepted = false;
    QByteArray data;

    bool operator==(const Response &) const = default;
};

// Status word bits.
inline constexpr quint16 AlarmBits = 0x0007;
inline constexpr quint16 InputOutOfRangeBit = 0x0100;

class Instrument {
public:
    Instrument();

    Response read(const QByteArray &item) const;
    Response write(const QByteArray &item, const QByteArray &data);

    qint16 pv() const { return pv_; }
    void setPv(qint16 value) { pv_ = value; }

    // The status word: bits 0..2 the active alarms and bit 8 a PV outside
    // the scaling limits, unless a fixed word has been set.
    quint16 status() const;
    void fixStatus(quint16 word) { fixedStatus_ = word; }
    void followAlarms() { fixedStatus_.reset(); }
    bool alarmActive(int alarm) const; // 1..3

    // A setting by item number (0x01..0x0F); 0 for items it does not have.
    int setting(int item) const { return settings_.value(item, 0); }
    // Changes a setting under the same rules as a write from the line.
    // Returns the NAK code on refusal, an empty text when it was taken.
    QByteArray changeSetting(int item, int value);

    // Applies one KEY=VALUE of the command line or the control input
    // (pv, status, dp, filter, hi, lo, a1..a3, act1..act3; status also
    // takes "auto"). Returns why it was refused, empty when it was taken.
    QString configure(const QString &key, const QString &value);

private:
    qint16 pv_ = 0;
    std::optional<quint16> fixedStatus_;
    QMap<int, int> settings_; // item number -> value
};

// Item number of a 4-character item code, or nothing when it is not four
// upper-case hex digits.
std::optional<int> itemNumber(const QByteArray &item);

// A signed 16-bit value as four upper-case hex digits, and back; nothing for
// data that is not exactly four upper-case hex digits.
QByteArray encodeValue(qint16 value);
std::optional<qint16> decodeValue(const QByteArray &data);

} // namespace sim
