#pragma once
// The simulator's end of the serial line: a pseudo-terminal whose slave the
// monitor opens as its port, reachable through an optional symlink.

#include <QByteArray>
#include <QString>

namespace sim {

class PtyLine {
public:
    explicit PtyLine(QString linkPath);
    ~PtyLine();
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    // Opens a new pty, puts its slave in raw mode and points the link at it.
    bool open(QString *error);
    // Closes master and slave: to the monitor the converter is unplugged.
    void close();
    // Closes the line and points the link at a path that can never exist, so
    // that nobody reaches the next program's pty of the same number through
    // it; open() points it at a new pty.
    void vanish();
    bool isOpen() const { return master_ >= 0; }

    int masterDescriptor() const { return master_; }
    QString slavePath() const { return slavePath_; }

    // The line speed the monitor set on its side; 0 when it cannot be told.
    qint64 lineSpeed() const;

    // What has arrived from the monitor; empty when nothing is waiting.
    QByteArray readAvailable();

    // Sends bytes, the first at `startNs` (on the clock of monotonicNs()) and each further
    // one `characterTime` nanoseconds later, as a transmitter at line speed
    // would; with characterTime 0 they go out at once. Characters the
    // monitor's side has no room for are lost, as on a real line.
    void send(const QByteArray &bytes, qint64 startNs, qint64 characterTimeNs);

    // Removes the link if it is still ours.
    void removeLink();

private:
    bool pointLinkAt(const QString &target, QString *error);

    QString linkPath_;
    QString linkTarget_; // what the link was last pointed at
    QString slavePath_;
    int master_ = -1;
    int slave_ = -1; // kept open so the master never sees a hang-up
};

// Nanoseconds on the steady clock that paces replies.
qint64 monotonicNs();

} // namespace sim
