#include "comm/PortNames.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace portnames {

namespace {

// Sort key of a port path: its kind's rank, then the number at its end, then
// the whole path so that the order is total.
std::tuple<int, qlonglong, QString> orderKey(const QString &path)
{
    static const QRegularExpression pattern(QStringLiteral("^/dev/tty(USB|ACM|S)([0-9]+)$"));
    const QRegularExpressionMatch match = pattern.match(path);
    if (!match.hasMatch())
        return {3, 0, path};
    const QString kind = match.captured(1);
    const int rank = kind == QLatin1String("USB") ? 0 : kind == QLatin1String("ACM") ? 1 : 2;
    return {rank, match.captured(2).toLongLong(), path};
}

} // namespace

QStringList comOrder(const QStringList &systemLocations)
{
    QStringList ordered = systemLocations;
    std::sort(ordered.begin(), ordered.end(),
              [](const QString &a, const QString &b) { return orderKey(a) < orderKey(b); });
    ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
    return ordered;
}

int comNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([0-9]{1,6})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString resolve(const QString &name, const QStringList &systemLocations)
{
    if (name.isEmpty())
        return QString();
#ifdef Q_OS_WIN
    Q_UNUSED(systemLocations);
    return name; // the system's own names
#else
    if (name.contains(QLatin1Char('/')))
        return name;
    if (const int n = comNumber(name); n > 0) {
        const QStringList ports = comOrder(systemLocations);
        return n <= ports.size() ? ports.at(n - 1) : QString();
    }
    return QStringLiteral("/dev/") + name; // as Qt Serial Port reads a bare name
#endif
}

QString resolve(const QString &name)
{
    if (comNumber(name) == 0)
        return resolve(name, {});
    // The machine's ports may be given instead of looked up, so that a
    // program on a machine it shares (a test run beside another) probes only
    // its own: an empty list means none.
    if (qEnvironmentVariableIsSet(PortListVariable))
        return resolve(name, qEnvironmentVariable(PortListVariable).split(u':', Qt::SkipEmptyParts));
    QStringList locations;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        locations << info.systemLocation();
    return resolve(name, locations);
}

} // namespace portnames
