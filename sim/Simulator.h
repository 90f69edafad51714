#pragma once
// The running simulator: the line, the instruments behind it, the record
// file and the control input, served from one poll loop.

#include "sim/FrameReader.h"
#include "sim/FrameRecord.h"
#include "sim/InstrumentBus.h"
#include "sim/Options.h"
#include "sim/PtyLine.h"

#include <QByteArray>
#include <QString>

namespace sim {

class Simulator {
public:
    explicit Simulator(Options options);

    // Sets up the instruments, the record file and the pty, and announces the
    // pty. On failure says why.
    bool start(QString *error);
    // Serves the line and the control input until "quit", end of input or
    // SIGTERM/SIGINT; returns the exit code.
    int run();

    // One line of the control input; the text to answer ("ok", "error ...").
    // Sets `quit` for "quit".
    QByteArray control(const QString &line, bool *quit);

private:
    void receive(const QByteArray &bytes);
    void handle(const ReceivedFrame &frame);
    bool readControlInput(); // false on quit, or end of input from a terminal

    Options options_;
    qint64 listeningSpeed_;
    InstrumentBus bus_;
    PtyLine line_;
    FrameReader reader_;
    FrameRecord record_;
    QByteArray controlBuffer_;
    bool controlOpen_ = true;
    qint64 startNs_;
};

// Writes a line to stdout and flushes it, so a parent process sees it now.
void say(const QByteArray &line);

} // namespace sim
