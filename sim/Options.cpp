#include "sim/Options.h"

namespace sim {

std::optional<int> parseAddress(const QString &text)
{
    bool ok = false;
    const int address = text.trimmed().toInt(&ok);
    if (!ok || address < 0 || address > 31)
        return std::nullopt;
    return address;
}

std::optional<double> parseShare(const QString &text)
{
    bool ok = false;
    const double share = text.trimmed().toDouble(&ok);
    if (!ok || !(share >= 0 && share <= 1))
        return std::nullopt;
    return share;
}

std::optional<qint64> parseSpeed(const QString &text)
{
    bool ok = false;
    const qint64 speed = text.trimmed().toLongLong(&ok);
    if (!ok || speed <= 0 || speed > 4000000)
        return std::nullopt;
    return speed;
}

std::optional<QByteArray> parseItem(const QString &text)
{
    const QByteArray item = text.trimmed().toUpper().toLatin1();
    if (item.size() != 4)
        return std::nullopt;
    return item;
}

std::optional<InstrumentOption> parseInstrument(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const std::optional<int> address = parseAddress(text.left(colon));
    if (!address)
        return std::nullopt;
    InstrumentOption option;
    option.address = *address;
    if (colon < 0)
        return option;
    for (const QString &pair : text.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return std::nullopt;
        option.settings.append({pair.left(equals).trimmed(), pair.mid(equals + 1).trimmed()});
    }
    return option;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: vtx500-sim [options]\n"
        "Simulates VTX-500 instruments on a pseudo-terminal.\n"
        "\n"
        "  --link PATH           symlink to the pty slave at PATH (replaces an existing link)\n"
        "  --speed BAUD          line speed it listens at (default 9600)\n"
        "  --instrument ADDR[:KEY=VALUE,...]\n"
        "                        an instrument, repeatable; keys pv, status, dp, filter,\n"
        "                        hi, lo, a1, a2, a3, act1, act2, act3\n"
        "  --no-pacing           send replies at once instead of at line speed\n"
        "  --turnaround MS       delay before a reply (default 5)\n"
        "  --silent ADDR         an address that never answers, repeatable\n"
        "  --refuse ADDR:ITEM    answer that item at that address with NAK 0001, repeatable\n"
        "  --corrupt FRACTION    share of replies with one damaged byte (0..1)\n"
        "  --drop FRACTION       share of replies not sent (0..1)\n"
        "  --seed N              seed for --corrupt and --drop\n"
        "  --wave                PVs move as a sine between lo and hi\n"
        "  --wave-period SECONDS period of the wave (default 60)\n"
        "  --record FILE         append one line per command frame received\n"
        "  --help                this text\n"
        "\n"
        "Control input, one command a line, each answered \"ok\" or \"error WHY\":\n"
        "  set ADDR KEY VALUE | silent ADDR on|off | refuse ADDR ITEM on|off\n"
        "  corrupt FRACTION | drop FRACTION | speed BAUD | vanish | appear | quit\n");
}

std::optional<Options> parseOptions(const QStringList &arguments, QString *error)
{
    Options options;
    auto fail = [error](const QString &why) {
        *error = why;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &name = arguments.at(i);
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (name == QLatin1String("--no-pacing")) {
            options.pacing = false;
            continue;
        }
        if (name == QLatin1String("--wave")) {
            options.wave = true;
            continue;
        }
        static const QStringList withValue{"--link",   "--speed",   "--instrument", "--turnaround",
                                           "--silent", "--refuse",  "--corrupt",    "--drop",
                                           "--seed",   "--record",  "--wave-period"};
        if (!withValue.contains(name))
            return fail(QStringLiteral("unknown option %1").arg(name));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(name));
        const QString value = arguments.at(++i);
        const QString bad = QStringLiteral("bad value for %1: %2").arg(name, value);

        if (name == QLatin1String("--link")) {
            options.linkPath = value;
        } else if (name == QLatin1String("--record")) {
            options.recordPath = value;
        } else if (name == QLatin1String("--speed")) {
            const std::optional<qint64> speed = parseSpeed(value);
            if (!speed)
                return fail(bad);
            options.speed = *speed;
        } else if (name == QLatin1String("--instrument")) {
            const std::optional<InstrumentOption> instrument = parseInstrument(value);
            if (!instrument)
                return fail(bad);
            options.instruments.append(*instrument);
        } else if (name == QLatin1String("--turnaround")) {
            bool ok = false;
            options.turnaroundMs = value.toInt(&ok);
            if (!ok || options.turnaroundMs < 0)
                return fail(bad);
        } else if (name == QLatin1String("--silent")) {
            const std::optional<int> address = parseAddress(value);
            if (!address)
                return fail(bad);
            options.silent.append(*address);
        } else if (name == QLatin1String("--refuse")) {
            const qsizetype colon = value.indexOf(QLatin1Char(':'));
            const std::optional<int> address = parseAddress(value.left(colon));
            const std::optional<QByteArray> item = parseItem(value.mid(colon + 1));
            if (colon < 0 || !address || !item)
                return fail(bad);
            options.refused.append({*address, *item});
        } else if (name == QLatin1String("--corrupt") || name == QLatin1String("--drop")) {
            const std::optional<double> share = parseShare(value);
            if (!share)
                return fail(bad);
            (name == QLatin1String("--corrupt") ? options.corruptShare : options.dropShare) = *share;
        } else if (name == QLatin1String("--seed")) {
            bool ok = false;
            options.seed = value.toUInt(&ok);
            if (!ok)
                return fail(bad);
        } else if (name == QLatin1String("--wave-period")) {
            bool ok = false;
            options.wavePeriodSeconds = value.toDouble(&ok);
            if (!ok || !(options.wavePeriodSeconds > 0))
                return fail(bad);
        }
    }
    return options;
}

} // namespace sim
