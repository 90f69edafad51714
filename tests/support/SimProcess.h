#pragma once
// The instrument simulator as a child process on a pty, for tests that talk
// to it through a real serial port. Its pty is reached through a link in a
// temporary directory, and every command frame it receives is recorded there.

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
    QString ptyPath() const { return ptyPath_; } // the pty slave last announced
    // Writes one stdin command and waits (at most 10 s) for its answer; true
    // for "ok". The last answer is kept for failure messages.
    bool command(const QString &line);
    QString lastAnswer() const { return lastAnswer_; }
    // The lines of the record file so far (empty before the first frame).
    QStringList record() const;

private:
    // Reads stdout lines until one starts with one of the prefixes; stores it
    // in lastAnswer_ (and a "pty " line in ptyPath_). False after 10 s.
    bool awaitLine(const QStringList &prefixes);

    QTemporaryDir dir_;
    QStringList args_;
    QProcess process_;
    QString ptyPath_;
    QString lastAnswer_;
};
