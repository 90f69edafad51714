#pragma once
// The six operations of the communication component, as the rest of the
// program uses them. Vtx implements them on a real serial port; tests use a
// scripted stand-in where the simulator cannot produce a case.

#include <QChar>
#include <QString>

#include <functional>
#include <stdexcept>

// An error reported by the component: the caller's fault (a field that breaks
// the frame rules, a command while the port is not open) or a port that
// exists but cannot be opened. Only port discovery catches it by design; the
// main loop also stops it from ever ending the program.
class VtxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown by a wait hook to leave the running step at once: the program is
// ending. It is no error of the component, so nothing reports it; the main
// loop catches it.
struct StepAbandoned {};

// Leading characters of a reply.
inline constexpr QChar ACK(0x06);
inline constexpr QChar NAK(0x15);
inline constexpr QChar ESC(0x1B);

// What became of one attempt of a command, for whoever watches the line.
struct AttemptReport {
    enum class Outcome : quint8 {
        Ack,       // accepted; data: the value read, empty for a write
        Nak,       // refused; data: the error code
        Silence,   // not a byte came within the time-out
        BadReply,  // bytes came, but no valid reply to this command (damaged, cut off, another echo)
        LineFault, // the port failed, or stays closed: the attempt waited as long as a silent one
    };
    int attempt = 1; // 1..count
    Outcome outcome = Outcome::Silence;
    QString data;

    bool answered() const { return outcome == Outcome::Ack || outcome == Outcome::Nak; }
};

class VtxPort {
public:
    virtual ~VtxPort() = default;

    virtual void SetPort(const QString &name) = 0;
    virtual void SetSpeed(const QString &speed) = 0;
    // False when the port does not exist; throws VtxError when it exists but
    // cannot be opened or does not take the speed.
    virtual bool Open() = 0;
    // Does nothing on a port that is not open.
    virtual void Close() = 0;
    // The response code followed by the data ("\x06" "04D2", "\x15" "0002"),
    // or ESC alone when every one of count attempts failed.
    virtual QString SendCommand(const QString &address, const QString &sub, const QString &type, const QString &item,
                                const QString &data, int count) = 0;
    // The data field of an ACK reply; empty for any other reply.
    virtual QString ReplyData(const QString &reply, int n) const;

    // Called every few milliseconds while a command waits for its reply, so
    // that the window can go on painting; it must not call back into the
    // component. It may throw StepAbandoned. A stand-in that never waits may
    // ignore it.
    virtual void setWaitHook(std::function<void()> hook) { (void)hook; }

    // Called after every attempt of SendCommand, answered or not, before the
    // next attempt starts; it must not call back into the component. A
    // component that has no attempts of its own may ignore it.
    virtual void setAttemptObserver(std::function<void(const AttemptReport &)> observer) { (void)observer; }
};
