#pragma once
// Reading every instrument's process value (PV) and status word and showing
// them in the channel panels of the main window.

#include "config/ChannelTable.h"

#include <QString>
#include <QtGlobal>

class PanelView;
class Prompter;
class VtxPort;
struct SharedState;

// The display text of a PV by the decimal point place of the instrument at a
// device address: place 0 gives 1234, 1 gives 123.4, 2 gives 12.34 and 3
// gives 1.234, with the locale's decimal separator and no thousands
// separator. Any other place (one no instrument has) gives the whole
// number, as place 0; an address outside 0..31 (which has no place) gives an
// empty text.
QString FormatPv(qint16 pv, qint64 address, const DecimalPlaceTable &decimalPlaces);

class Polling {
public:
    Polling(VtxPort &vtx, SharedState &state, PanelView &panels, Prompter &prompter);

    // The opening pass after discovery: the PV of every channel, ON or OFF,
    // 0 up to 30, without lamps or messages. A channel whose instrument does
    // not give a value shows "----".
    void ReadAllPv();

    // One polling cycle over the channels that are switched on, 30 down to 0:
    // the PV, then the status word for the lamps. Every failure shows "----"
    // and a modal message before the cycle goes on.
    void PollChannels();
    // How many channels a polling cycle sends commands to: those switched on
    // whose address an instrument can have.
    int polledChannels() const;

private:
    void pollPv(int channel, qint64 address);
    void pollStatus(int channel, qint64 address);
    void showFailure(int channel, const QString &text);

    VtxPort &vtx_;
    SharedState &state_;
    PanelView &panels_;
    Prompter &prompter_;
};
