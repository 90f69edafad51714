#include "sim/Simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int) { stopSignal = 1; }

// Blocks the stop signals except inside ppoll, so one arriving between two
// waits is never missed.
sigset_t installStopSignals()
{
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &previous);
    sigdelset(&previous, SIGTERM);
    sigdelset(&previous, SIGINT);
    return previous;
}

constexpr qint64 NsPerSecond = 1000000000;

} // namespace

void say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

Simulator::Simulator(Options options)
    : options_(std::move(options)), listeningSpeed_(options_.speed), line_(options_.linkPath),
      startNs_(monotonicNs())
{
}

bool Simulator::start(QString *error)
{
    for (const InstrumentOption &option : std::as_const(options_.instruments)) {
        Instrument &instrument = bus_.instrument(option.address);
        for (const auto &[key, value] : option.settings) {
            const QString why = instrument.configure(key, value);
            if (!why.isEmpty()) {
                *error = QStringLiteral("--instrument %1: %2").arg(option.address).arg(why);
                return false;
            }
        }
    }
    for (int address : std::as_const(options_.silent))
        bus_.setSilent(address, true);
    for (const auto &[address, item] : std::as_const(options_.refused))
        bus_.setRefused(address, item, true);
    bus_.setCorruptShare(options_.corruptShare);
    bus_.setDropShare(options_.dropShare);
    if (options_.seed)
        bus_.seed(*options_.seed);
    bus_.setWave(options_.wave, options_.wavePeriodSeconds);

    if (!record_.open(options_.recordPath, error) || !line_.open(error))
        return false;
    say("pty " + line_.slavePath().toLocal8Bit());
    return true;
}

void Simulator::receive(const QByteArray &bytes)
{
    for (const ReceivedFrame &frame : reader_.feed(bytes, monotonicNs()))
        handle(frame);
}

void Simulator::handle(const ReceivedFrame &received)
{
    const qint64 speed = line_.lineSpeed();
    const std::optional<CommandFrame> command = decodeCommand(received.bytes);
    record_.write(recordLine(speed, command, received.bytes));
    // At another speed a real instrument would read only garbage.
    if (!command || speed != listeningSpeed_)
        return;

    const QByteArray reply = bus_.answer(*command, double(monotonicNs() - startNs_) / NsPerSecond);
    if (reply.isEmpty())
        return;
    if (!options_.pacing) {
        line_.send(reply, 0, 0);
        return;
    }
    // The command took its own wire time to arrive, counted from its first
    // byte; the reply follows after the turnaround at 10 bit times a byte.
    const qint64 characterNs = 10 * NsPerSecond / speed;
    const qint64 startNs =
        received.firstByteTime + received.bytes.size() * characterNs + qint64(options_.turnaroundMs) * 1000000;
    line_.send(reply, startNs, characterNs);
}

QByteArray Simulator::control(const QString &text, bool *quit)
{
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    const auto on = [](const QString &word) -> std::optional<bool> {
        if (word == QLatin1String("on"))
            return true;
        if (word == QLatin1String("off"))
            return false;
        return std::nullopt;
    };

    if (verb == QLatin1String("set") && words.size() == 4) {
        const std::optional<int> address = parseAddress(words.at(1));
        if (!address)
            return "error bad address";
        // Try on a copy: a refused value must not add or change an instrument.
        Instrument changed = bus_.has(*address) ? bus_.instrument(*address) : Instrument();
        const QString why = changed.configure(words.at(2), words.at(3));
        if (!why.isEmpty())
            return "error " + why.toLocal8Bit();
        bus_.instrument(*address) = changed;
        return "ok";
    }
    if (verb == QLatin1String("silent") && words.size() == 3) {
        const std::optional<int> address = parseAddress(words.at(1));
        const std::optional<bool> state = on(words.at(2));
        if (!address || !state)
            return "error usage: silent ADDR on|off";
        bus_.setSilent(*address, *state);
        return "ok";
    }
    if (verb == QLatin1String("refuse") && words.size() == 4) {
        const std::optional<int> address = parseAddress(words.at(1));
        const std::optional<QByteArray> item = parseItem(words.at(2));
        const std::optional<bool> state = on(words.at(3));
        if (!address || !item || !state)
            return "error usage: refuse ADDR ITEM on|off";
        bus_.setRefused(*address, *item, *state);
        return "ok";
    }
    if ((verb == QLatin1String("corrupt") || verb == QLatin1String("drop")) && words.size() == 2) {
        const std::optional<double> share = parseShare(words.at(1));
        if (!share)
            return "error the share must be 0..1";
        if (verb == QLatin1String("corrupt"))
            bus_.setCorruptShare(*share);
        else
            bus_.setDropShare(*share);
        return "ok";
    }
    if (verb == QLatin1String("speed") && words.size() == 2) {
        const std::optional<qint64> speed = parseSpeed(words.at(1));
        if (!speed)
            return "error bad speed";
        listeningSpeed_ = *speed;
        return "ok";
    }
    if (verb == QLatin1String("vanish") && words.size() == 1) {
        line_.vanish();
        reader_.reset();
        return "ok";
    }
    if (verb == QLatin1String("appear") && words.size() == 1) {
        QString error;
        reader_.reset();
        if (!line_.open(&error))
            return "error " + error.toLocal8Bit();
        say("pty " + line_.slavePath().toLocal8Bit());
        return "ok";
    }
    if (verb == QLatin1String("quit") && words.size() == 1) {
        *quit = true;
        return "ok";
    }
    return "error unknown command: " + text.simplified().toLocal8Bit();
}

bool Simulator::readControlInput()
{
    char chunk[1024];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0) {
        // A person at a terminal ends the simulator with end of input; a
        // script that starts it in the background (stdin from /dev/null)
        // ends it with a signal.
        if (::isatty(STDIN_FILENO))
            return false;
        controlOpen_ = false;
        return true;
    }
    controlBuffer_.append(chunk, n);
    qsizetype end;
    while ((end = controlBuffer_.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(controlBuffer_.left(end)).trimmed();
        controlBuffer_.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        bool quit = false;
        say(control(line, &quit));
        if (quit)
            return false;
    }
    // A line far longer than any command is noise; do not keep it forever.
    if (controlBuffer_.size() > 4096)
        controlBuffer_.clear();
    return true;
}

int Simulator::run()
{
    const sigset_t waitMask = installStopSignals();
    for (;;) {
        if (stopSignal)
            break;
        // A negative descriptor is not watched: control input that has ended.
        pollfd fds[2] = {{controlOpen_ ? STDIN_FILENO : -1, POLLIN, 0}, {line_.masterDescriptor(), POLLIN, 0}};
        const nfds_t count = line_.isOpen() ? 2 : 1;
        // No time-out: with nothing to do the simulator sleeps.
        if (ppoll(fds, count, nullptr, &waitMask) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        // The line first: a command already on the wire was sent before a
        // control line that arrives with it.
        if (count == 2 && fds[1].revents & POLLIN)
            receive(line_.readAvailable());
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            if (!readControlInput())
                break;
        }
    }
    line_.removeLink();
    return 0;
}

} // namespace sim
