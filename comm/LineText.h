#pragma once
// The line status in words: what the line is doing, the polling cycle's
// times, and each frame's command and reply decoded (the value as a number,
// the item and the refusal by name), so that the window only shows them.

#include "comm/LineRecorder.h"

#include <QString>

namespace linetext {

// "yyyy-MM-dd HH:mm:ss"; empty for an invalid time.
QString time(const QDateTime &time);

// What the line is doing: searching (the port and speed probed last, the
// ports found absent),
// polling (on which port and speed, since when, the last good reply), or
// polling without a reply since when.
QString activity(const LineRecorder &recorder);

// The polling cycle: last and median time against the wire limit. While the
// line gives no reply, the time since the last answer and the last cycle
// instead of the median of the healthy cycles before.
QString cycle(const LineRecorder &recorder);

// A data item by name ("PV", "status", "alarm 1 set value"); empty for one
// the instruments do not have.
QString itemName(const QString &item);

// Four hexadecimal digits as the signed value they carry ("FB2E": -1234);
// any other text as it is.
QString value(const QString &hex);

// The command as the line carries it, decoded: "read PV", "write alarm 1
// set value 120".
QString command(const LineRecorder::LineFrame &frame);

// The reply, decoded: "ACK 1234", "ACK lamps A1 A3", "ACK written",
// "NAK value outside the span", "no answer", "bad reply", "line fault".
QString reply(const LineRecorder::LineFrame &frame);

// The reply as it came: the response code and the data in hexadecimal.
QString rawReply(const LineRecorder::LineFrame &frame);

} // namespace linetext
