#include "sim/PtyLine.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The kernel's termios with the speeds as plain numbers, for speeds set
// with BOTHER that cfgetospeed cannot express. Named as the kernel names it
// so that TCGETS2 from <sys/ioctl.h> can take its size.
struct termios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};

namespace sim {

namespace {

qint64 speedValue(speed_t code)
{
    switch (code) {
    case B50: return 50;
    case B75: return 75;
    case B110: return 110;
    case B134: return 134;
    case B150: return 150;
    case B200: return 200;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B1800: return 1800;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B500000: return 500000;
    case B576000: return 576000;
    case B921600: return 921600;
    case B1000000: return 1000000;
    default: return 0;
    }
}

QString errorText(const char *what) { return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno))); }

} // namespace

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PtyLine::PtyLine(QString linkPath) : linkPath_(std::move(linkPath)) {}

PtyLine::~PtyLine() { close(); }

bool PtyLine::open(QString *error)
{
    close();
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        *error = errorText("openpty");
        master_ = slave_ = -1;
        return false;
    }
    // Never let a full buffer on the monitor's side stall the simulator.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = QString::fromLocal8Bit(name);
    return pointLinkAt(slavePath_, error);
}

void PtyLine::vanish()
{
    close();
    // Nothing can exist below a file that is not a directory.
    QString error;
    pointLinkAt(QStringLiteral("/dev/null/vtx500-sim-vanished"), &error);
}

bool PtyLine::pointLinkAt(const QString &target, QString *error)
{
    if (linkPath_.isEmpty())
        return true;
    // A fresh name then rename: the link is never missing while it moves.
    const QByteArray link = QFile::encodeName(linkPath_);
    const QByteArray temporary = link + ".new" + QByteArray::number(getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0
        || ::rename(temporary.constData(), link.constData()) != 0) {
        *error = errorText("link");
        ::unlink(temporary.constData());
        return false;
    }
    linkTarget_ = target;
    return true;
}

void PtyLine::removeLink()
{
    if (linkPath_.isEmpty())
        return;
    const QByteArray link = QFile::encodeName(linkPath_);
    char target[256] = {};
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length > 0 && QFile::decodeName(QByteArray(target, int(length))) == linkTarget_)
        ::unlink(link.constData());
}

void PtyLine::close()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}

qint64 PtyLine::lineSpeed() const
{
    if (master_ < 0)
        return 0;
    // On a pty master these report the termios the monitor set on the slave.
    termios settings{};
    if (tcgetattr(master_, &settings) != 0)
        return 0;
    const qint64 speed = speedValue(cfgetospeed(&settings));
    if (speed > 0)
        return speed;
    termios2 exact{};
    if (::ioctl(master_, TCGETS2, &exact) == 0)
        return exact.c_ospeed;
    return 0;
}

QByteArray PtyLine::readAvailable()
{
    QByteArray bytes;
    char chunk[512];
    while (master_ >= 0) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.append(chunk, n);
    }
    return bytes;
}

void PtyLine::send(const QByteArray &bytes, qint64 startNs, qint64 characterTimeNs)
{
    if (master_ < 0)
        return;
    if (characterTimeNs <= 0) {
        if (::write(master_, bytes.constData(), size_t(bytes.size())) < 0) {
            // Full or gone: the reply is lost, as on the wire.
        }
        return;
    }
    // Absolute deadlines, so the reply takes exactly its wire time however
    // late each wake-up is.
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const std::chrono::nanoseconds due(startNs + i * characterTimeNs);
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(due));
        if (::write(master_, bytes.constData() + i, 1) < 0) {
            // Lost character; the monitor's BCC check catches it.
        }
    }
}

} // namespace sim
