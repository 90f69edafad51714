#pragma once
// The communication component on a real serial port (8N1, no flow control):
// frames each command, sends it, and waits for the instrument's reply,
// repeating a failed attempt up to the command's count.

#include "comm/VtxPort.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

#include <functional>

class Vtx : public VtxPort {
public:
    Vtx();
    ~Vtx() override;
    Vtx(const Vtx &) = delete;
    Vtx &operator=(const Vtx &) = delete;

    void SetPort(const QString &name) override;
    void SetSpeed(const QString &speed) override;
    // Closes whatever was open, then opens the port set by SetPort at the
    // speed set by SetSpeed. False when no such port exists; VtxError when it
    // exists but cannot be opened or refuses the speed.
    bool Open() override;
    void Close() override;
    // VtxError (and nothing sent) for a field that breaks the frame rules or
    // when Open has not succeeded. A count below 1 makes one attempt.
    QString SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                        const QString &data, int count) override;

    // The longest wait for a reply, counted from the moment the command's
    // last byte has left the wire (hand-off to the driver plus the command's
    // wire time): 60 ms plus the wire time of 24 characters at the speed.
    static int replyTimeoutMs(qint32 baudRate);

    // Every wait on the line calls it at least every few milliseconds: the
    // wait for the command to leave the port, for the reply, for the rest of
    // a bad reply to go by, and for an attempt a faulted line only waits out.
    void setWaitHook(std::function<void()> hook) override { waitHook_ = std::move(hook); }
    // Every attempt is reported, the ones a faulted line only waits out
    // included (as LineFault): the observer sees count attempts for every
    // command that got no answer.
    void setAttemptObserver(std::function<void(const AttemptReport &)> observer) override
    {
        attemptObserver_ = std::move(observer);
    }
    // True while Open has succeeded and Close has not been called, even when
    // a line fault has closed the device underneath.
    bool isOpen() const { return userOpen_; }
    // True while a line fault keeps the device closed; every command then
    // first tries to reopen the same port at the same speed.
    bool lineFaulted() const { return userOpen_ && !port_.isOpen(); }

private:
    bool openDevice(const QString &path, qint32 baudRate, QString *why);
    bool reopenAfterFault();
    // One attempt; data: the data field of a valid reply.
    AttemptReport::Outcome attempt(const QByteArray &command, QString &data);
    void report(int n, AttemptReport::Outcome outcome, const QString &data) const;
    void waitFor(int milliseconds);
    // Waits until the driver has taken the whole command or the deadline
    // passes; false on a failure or time-out.
    bool waitUntilWritten(const QByteArray &command);
    void serveWait() const
    {
        if (waitHook_)
            waitHook_();
    }
    // From the hand-off of a command to the end of the wait for its reply.
    int attemptTimeMs(const QByteArray &command) const;
    // Waits out attempts first..count of a command the line cannot carry.
    void waitAsIfSilent(const QByteArray &command, int first, int count);
    static bool isLineFault(QSerialPort::SerialPortError error);
    void noteLineFault();

    QSerialPort port_;
    QString portName_;
    QString speedText_;
    QString openedPath_;
    qint32 openedBaudRate_ = 0;
    bool userOpen_ = false;
    bool faultPending_ = false; // a line fault was reported; the device is still to be closed
    QMetaObject::Connection faultConnection_;
    std::function<void(const AttemptReport &)> attemptObserver_;
    std::function<void()> waitHook_;
};
