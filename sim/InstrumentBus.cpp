#include "sim/InstrumentBus.h"

#include <cmath>
#include <numbers>

namespace sim {

qint16 wavePv(int low, int high, double seconds, double periodSeconds, int address)
{
    const double phase = 2 * std::numbers::pi * (seconds / periodSeconds + address / 32.0);
    const double value = low + (high - low) * (0.5 + 0.5 * std::sin(phase));
    return static_cast<qint16>(std::lround(value));
}

void InstrumentBus::setSilent(int address, bool silent)
{
    if (silent)
        silent_.insert(address);
    else
        silent_.remove(address);
}

void InstrumentBus::setRefused(int address, const QByteArray &item, bool refused)
{
    if (refused)
        refused_.insert({address, item});
    else
        refused_.remove({address, item});
}

void InstrumentBus::setWave(bool on, double periodSeconds)
{
    wave_ = on;
    wavePeriod_ = periodSeconds;
}

double InstrumentBus::draw()
{
    // 32 random bits scaled to [0, 1): the same sequence for a seed everywhere.
    return static_cast<double>(random_()) / 4294967296.0;
}

Response InstrumentBus::respond(Instrument &instrument, const CommandFrame &command) const
{
    if (refused_.contains({command.address, command.item}))
        return {false, UnknownItem};
    if (!command.isWrite()) {
        // A read carries no data; anything there is a malformed field.
        Response response = instrument.read(command.item);
        if (response.accepted && !command.data.isEmpty())
            return {false, MalformedData};
        return response;
    }
    return instrument.write(command.item, command.data);
}

QByteArray InstrumentBus::answer(const CommandFrame &command, double seconds)
{
    if (!instruments_.contains(command.address) || silent_.contains(command.address))
        return {};
    Instrument &target = instruments_[command.address];
    if (wave_)
        target.setPv(wavePv(target.setting(0x07), target.setting(0x06), seconds, wavePeriod_, command.address));

    const Response response = respond(target, command);
    QByteArray reply = encodeReply(command, response.accepted, response.data);

    // Draw both every time so that a seed gives the same faults whatever the
    // shares are.
    const bool drop = draw() < dropShare_;
    const bool corrupt = draw() < corruptShare_;
    const double where = draw();
    if (drop)
        return {};
    if (corrupt) {
        // Flip the lowest bit of one byte from the address up to the last
        // before ETX: the sum changes by one, so the BCC check must fail.
        const qsizetype first = 1, last = reply.size() - 5;
        const qsizetype index = first + static_cast<qsizetype>(where * static_cast<double>(last - first + 1));
        reply[index] = static_cast<char>(reply.at(index) ^ 0x01);
    }
    return reply;
}

} // namespace sim
