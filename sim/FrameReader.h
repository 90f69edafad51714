#pragma once
// Cuts the byte stream from the host into command frames: bytes before STX
// are skipped, a frame ends at CR, a new STX starts over, and a frame that
// never ends is cut off so that line noise cannot grow memory without bound.

#include <QByteArray>
#include <QList>

namespace sim {

struct ReceivedFrame {
    QByteArray bytes;     // STX .. CR, or the cut-off part of a broken frame
    qint64 firstByteTime; // when its STX arrived, in the caller's clock
};

class FrameReader {
public:
    // Longer than any well-formed command (16 bytes) with room to spare.
    static constexpr qsizetype MaximumFrameLength = 64;

    // Takes bytes that arrived at `now`; returns the frames they completed,
    // broken ones included (the caller records those as undecodable).
    QList<ReceivedFrame> feed(const QByteArray &bytes, qint64 now);

    // Forgets a partial frame, as when the line goes away.
    void reset() { inFrame_ = false; current_.clear(); }

private:
    bool inFrame_ = false;
    QByteArray current_;
    qint64 firstByteTime_ = 0;
};

} // namespace sim
