#pragma once
// The instrument simulator as a child process on a pty, for the tests and the
// benchmark that talk to it through a real serial port. Its pty is reached
// through a link in a temporary directory, and every command frame it
// receives is recorded there.

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class SimProcess {
public:
    // args: the simulator's options; --link and --record are added.
    explicit SimProcess(const QStringList &args);
    ~SimProcess(); // "quit", then kill when it does not end
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator and waits (at most 10 s) for its "pty " line.
    bool start();
    QString link() const { return dir_.filePath(QStringLiteral("tty")); }
    // Writes one control command; its answer ("ok", "error WHY"), or an empty
    // text when none came within 10 s.
    QString command(const QString &line);
    // The lines of the record file so far (empty before the first frame).
    QStringList record() const;

private:
    // The first output line that starts with one of the prefixes within 10 s;
    // empty when none came.
    QString awaitLine(const QStringList &prefixes);

    QTemporaryDir dir_;
    QStringList args_;
    QProcess process_;
};
