#pragma once
// The instruments on the simulated line and the faults laid on it: which
// addresses answer, which items they refuse, and the share of replies that
// are lost or damaged on the way back.

#include "sim/CommandFrame.h"
#include "sim/Instrument.h"

#include <QByteArray>
#include <QMap>
#include <QSet>

#include <random>

namespace sim {

class InstrumentBus {
public:
    // The instrument at an address, added with its defaults if not there yet.
    Instrument &instrument(int address) { return instruments_[address]; }
    bool has(int address) const { return instruments_.contains(address); }

    void setSilent(int address, bool silent);
    void setRefused(int address, const QByteArray &item, bool refused);
    void setCorruptShare(double share) { corruptShare_ = share; }
    void setDropShare(double share) { dropShare_ = share; }
    void seed(quint32 value) { random_.seed(value); }

    // Demo mode: every PV follows a sine between its scaling limits.
    void setWave(bool on, double periodSeconds);

    // The bytes the addressed instrument sends back, or nothing (not there,
    // silent, or the reply lost). `seconds` is the simulator's running time,
    // which drives the wave.
    QByteArray answer(const CommandFrame &command, double seconds);

private:
    Response respond(Instrument &instrument, const CommandFrame &command) const;
    double draw(); // uniform in [0, 1)

    QMap<int, Instrument> instruments_;
    QSet<int> silent_;
    QSet<QPair<int, QByteArray>> refused_;
    double corruptShare_ = 0;
    double dropShare_ = 0;
    bool wave_ = false;
    double wavePeriod_ = 60;
    std::mt19937 random_{std::random_device{}()};
};

// The PV of the demo wave at a time: a sine between low and high, shifted a
// little per address so that the panels do not all move in step.
qint16 wavePv(int low, int high, double seconds, double periodSeconds, int address);

} // namespace sim
