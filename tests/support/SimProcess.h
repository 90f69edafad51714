#pragma once
// The instrument simulator as a child process on a pty, for tests that talk
// to it through a real serial port. Its pty is reached through a link in a
// temporary directory, and every command frame it receives is recorded there.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

class SimProcess {
public:
    // args: the simulator's options; --link and --record are added.
    explicit SimProcess(const QStringList &args);
    ~SimProcess(); // "quit", then kill when it does not end
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator and waits (at most 10 s) for its "pty " line.
    bool start();
    // The link to hand to Vtx::SetPort.
    QString link() const;
    // The pty slave the simulator last announced ("/dev/pts/N").
    QString ptyPath() const { return ptyPath_; }
    // Writes one stdin command and waits (at most 10 s) for its answer; true
    // for "ok". The last answer is kept for failure messages.
    bool command(const QString &line);
    QString lastAnswer() const { return lastAnswer_; }
    // The lines of the record file so far (empty before the first frame).
    QStringList record() const;

private:
    // The next stdout line; nothing after the time-out or the process's end.
    std::optional<QString> nextLine(int timeoutMs);

    QTemporaryDir dir_;
    QStringList args_;
    QProcess process_;
    QByteArray pending_;
    QString ptyPath_;
    QString lastAnswer_;
};
