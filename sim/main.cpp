// vtx500-sim: VTX-500 instruments on a pseudo-terminal, for trying out and
// testing the monitor without a serial line. See docs/simulator.md.

#include "sim/Options.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QString error;
    const std::optional<sim::Options> options = sim::parseOptions(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "vtx500-sim: %s\n%s", qPrintable(error), qPrintable(sim::usageText()));
        return 2;
    }
    if (options->help) {
        std::fputs(qPrintable(sim::usageText()), stdout);
        return 0;
    }
    sim::Simulator simulator(*options);
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "vtx500-sim: %s\n", qPrintable(error));
        return 1;
    }
    return simulator.run();
}
