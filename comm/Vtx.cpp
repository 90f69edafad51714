#include "comm/Vtx.h"

#include "comm/Frame.h"
#include "comm/PortNames.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How often the wait hook runs, at least, while the line is awaited.
constexpr int WaitSliceMs = 5;
// Extra time a frame may take to leave the port beyond its wire time.
constexpr int WriteMarginMs = 1000;

[[noreturn]] void fail(const QString &why)
{
    throw VtxError(why.toStdString());
}

// Whether a path can be a serial line at all: a terminal device. A regular
// file, a directory, a FIFO or /dev/null never can, whatever the store says;
// such a port counts as absent. Opened without blocking and without taking
// it as the controlling terminal, and closed at once.
bool canBeSerialLine(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true; // it may well be one; Qt tells why it cannot be opened
    const bool terminal = ::isatty(fd) != 0;
    ::close(fd);
    return terminal;
}

int wireTimeMs(qsizetype characters, qint32 baudRate)
{
    // 10 bit times a character (start, 8 data, stop), rounded up.
    return int((characters * 10 * 1000 + baudRate - 1) / baudRate);
}

} // namespace

Vtx::Vtx()
{
    // A vanished device makes Qt report ReadError over and over from its read
    // notifier. Closing inside that report would delete the notifier that is
    // reporting, so only note it here; the port is closed on the next turn of
    // the event loop, or sooner by the command that is waiting.
    faultConnection_ = QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                                        [this](QSerialPort::SerialPortError error) {
                                            if (!isLineFault(error) || faultPending_)
                                                return;
                                            faultPending_ = true;
                                            QTimer::singleShot(0, &port_, [this] {
                                                if (faultPending_)
                                                    noteLineFault();
                                            });
                                        });
}

Vtx::~Vtx()
{
    QObject::disconnect(faultConnection_);
    Close();
}

void Vtx::SetPort(const QString &name)
{
    portName_ = name;
}

void Vtx::SetSpeed(const QString &speed)
{
    speedText_ = speed;
}

bool Vtx::Open()
{
    Close();
    const QString path = portnames::resolve(portName_);
    if (path.isEmpty() || !canBeSerialLine(path)) // a dangling link does not exist either
        return false;

    bool ok = false;
    const qint32 baudRate = speedText_.trimmed().toInt(&ok);
    if (!ok || baudRate <= 0)
        fail(QStringLiteral("The line speed \"%1\" is not a positive whole number").arg(speedText_));

    QString why;
    if (!openDevice(path, baudRate, &why))
        fail(QStringLiteral("Cannot open %1 at %2 bit/s: %3").arg(path).arg(baudRate).arg(why));
    openedPath_ = path;
    openedBaudRate_ = baudRate;
    userOpen_ = true;
    return true;
}

void Vtx::Close()
{
    userOpen_ = false;
    faultPending_ = false;
    if (port_.isOpen())
        port_.close();
}

int Vtx::replyTimeoutMs(qint32 baudRate)
{
    return 60 + wireTimeMs(24, std::max<qint32>(baudRate, 1));
}

QString Vtx::SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                         const QString &data, int count)
{
    const QString error = frame::commandFieldError(address, sub, type, item, data);
    if (!error.isEmpty())
        fail(QStringLiteral("Command not sent: %1").arg(error));
    if (!userOpen_)
        fail(QStringLiteral("Command not sent: the port is not open"));
    count = std::max(count, 1);

    const QByteArray command = frame::encodeCommand(address, sub, type, item, data);
    if (faultPending_)
        noteLineFault();
    if (!port_.isOpen() && !reopenAfterFault()) {
        waitAsIfSilent(command, 1, count);
        return QString(ESC);
    }

    for (int n = 1; n <= count; ++n) {
        QString replyData;
        const AttemptReport::Outcome outcome = attempt(command, replyData);
        report(n, outcome, replyData);
        if (outcome == AttemptReport::Outcome::Ack)
            return ACK + replyData;
        if (outcome == AttemptReport::Outcome::Nak)
            return NAK + replyData;
        if (!port_.isOpen()) { // the line faulted during this attempt
            waitAsIfSilent(command, n + 1, count);
            break;
        }
    }
    return QString(ESC);
}

bool Vtx::openDevice(const QString &path, qint32 baudRate, QString *why)
{
    port_.setPortName(path);
    if (!port_.open(QIODevice::ReadWrite)) {
        *why = port_.errorString();
        port_.clearError();
        return false;
    }
    if (!port_.setBaudRate(baudRate) || !port_.setDataBits(QSerialPort::Data8) ||
        !port_.setParity(QSerialPort::NoParity) || !port_.setStopBits(QSerialPort::OneStop) ||
        !port_.setFlowControl(QSerialPort::NoFlowControl)) {
        *why = port_.errorString();
        port_.close();
        port_.clearError();
        return false;
    }
    port_.clear(); // bytes that arrived while nobody listened
    port_.clearError();
    faultPending_ = false;
    return true;
}

bool Vtx::reopenAfterFault()
{
    if (!QFileInfo::exists(openedPath_))
        return false;
    QString why;
    return openDevice(openedPath_, openedBaudRate_, &why);
}

AttemptReport::Outcome Vtx::attempt(const QByteArray &command, QString &data)
{
    using Outcome = AttemptReport::Outcome;
    port_.clearError();
    port_.clear(QSerialPort::Input); // a late answer to an earlier command is no answer to this one

    // A command that cannot leave the port is a fault of the line, whether
    // the port says so or merely never drains.
    if (port_.write(command) != command.size()) {
        noteLineFault();
        return Outcome::LineFault;
    }
    if (!waitUntilWritten(command)) {
        if (faultPending_ || isLineFault(port_.error()))
            noteLineFault();
        return Outcome::LineFault;
    }

    frame::ReplyReader reader(command);
    frame::Reply reply;
    bool heard = false; // any byte at all: noise or a damaged reply, not silence
    // The driver has the whole command now, but its last byte leaves the
    // wire only after the command's own wire time.
    const QDeadlineTimer deadline(attemptTimeMs(command));
    for (;;) {
        // The events served while waiting may have closed a faulted device.
        const QByteArray chunk = port_.isOpen() ? port_.readAll() : QByteArray();
        if (!chunk.isEmpty()) {
            heard = true;
            reply = reader.feed(chunk);
            if (reply.status != frame::Reply::Incomplete)
                break;
        }
        if (faultPending_ || isLineFault(port_.error()) || !port_.isOpen()) {
            noteLineFault();
            waitFor(int(deadline.remainingTime())); // fails like a time-out, not faster
            return Outcome::LineFault;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return heard ? Outcome::BadReply : Outcome::Silence;
        port_.waitForReadyRead(int(waitHook_ ? std::min<qint64>(left, WaitSliceMs) : left));
        serveWait();
    }

    if (reply.status == frame::Reply::Valid) {
        data = QString::fromLatin1(reply.data);
        return reply.code == frame::AckCode ? Outcome::Ack : Outcome::Nak;
    }
    // A bad frame: let the rest of it go by before the line is used again, so
    // the repeat does not talk over an instrument that is still sending.
    const int quietMs = wireTimeMs(3, openedBaudRate_) + 2;
    while (deadline.remainingTime() > 0 && port_.isOpen() && port_.waitForReadyRead(quietMs)) {
        port_.readAll();
        serveWait(); // a stream of garbage may last until the deadline
    }
    if (faultPending_ || isLineFault(port_.error()))
        noteLineFault();
    return Outcome::BadReply;
}

void Vtx::report(int n, AttemptReport::Outcome outcome, const QString &data) const
{
    if (attemptObserver_)
        attemptObserver_(AttemptReport{n, outcome, data});
}

void Vtx::waitFor(int milliseconds)
{
    const QDeadlineTimer deadline(std::max(milliseconds, 0));
    while (!deadline.hasExpired()) {
        serveWait();
        QThread::msleep(ulong(std::clamp<qint64>(deadline.remainingTime(), 0, WaitSliceMs)));
    }
}

bool Vtx::waitUntilWritten(const QByteArray &command)
{
    // A stalled converter may hold the bytes for the whole margin: the window
    // is served meanwhile as during the wait for the reply.
    const QDeadlineTimer deadline(wireTimeMs(command.size(), openedBaudRate_) + WriteMarginMs);
    while (port_.isOpen() && port_.bytesToWrite() > 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        const bool moved = port_.waitForBytesWritten(int(waitHook_ ? std::min<qint64>(left, WaitSliceMs) : left));
        if (!moved && port_.error() != QSerialPort::NoError && port_.error() != QSerialPort::TimeoutError)
            return false;
        serveWait();
        if (faultPending_)
            return false;
    }
    return port_.isOpen();
}

int Vtx::attemptTimeMs(const QByteArray &command) const
{
    return wireTimeMs(command.size(), openedBaudRate_) + replyTimeoutMs(openedBaudRate_);
}

void Vtx::waitAsIfSilent(const QByteArray &command, int first, int count)
{
    // A line that cannot carry the command still takes each attempt's full
    // time, so that polling paces as over a silent instrument and does not
    // spin; each attempt is told as one, so the repeats add up as on the wire.
    for (int n = first; n <= count; ++n) {
        waitFor(attemptTimeMs(command));
        report(n, AttemptReport::Outcome::LineFault, QString());
    }
}

bool Vtx::isLineFault(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        return true;
    default:
        return false;
    }
}

void Vtx::noteLineFault()
{
    faultPending_ = false;
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}
