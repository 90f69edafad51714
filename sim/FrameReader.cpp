#include "sim/FrameReader.h"

#include "sim/CommandFrame.h"

namespace sim {

QList<ReceivedFrame> FrameReader::feed(const QByteArray &bytes, qint64 now)
{
    QList<ReceivedFrame> frames;
    for (char c : bytes) {
        if (c == STX) {
            // STX never occurs inside a frame: a frame still open was broken off.
            if (inFrame_)
                frames.append({current_, firstByteTime_});
            inFrame_ = true;
            current_ = QByteArray(1, STX);
            firstByteTime_ = now;
            continue;
        }
        if (!inFrame_)
            continue;
        current_.append(c);
        if (c == CR || current_.size() >= MaximumFrameLength) {
            frames.append({current_, firstByteTime_});
            reset();
        }
    }
    return frames;
}

} // namespace sim
