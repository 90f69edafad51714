#pragma once
// The record file: one line per command frame received, written at once so
// that a test reading it sees every frame that came before.

#include "sim/CommandFrame.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sim {

// "SPEED\tADDR\tTYPE\tITEM\tDATA" for a decoded frame (TYPE "R" or "W"),
// "SPEED\t?\tHEX" for bytes that could not be decoded.
QByteArray recordLine(qint64 speed, const std::optional<CommandFrame> &frame, const QByteArray &bytes);

class FrameRecord {
public:
    FrameRecord() = default;
    ~FrameRecord();
    FrameRecord(const FrameRecord &) = delete;
    FrameRecord &operator=(const FrameRecord &) = delete;

    // Appends to the file at `path`; an empty path records nothing.
    bool open(const QString &path, QString *error);
    void write(const QByteArray &line);

private:
    int descriptor_ = -1;
};

} // namespace sim
