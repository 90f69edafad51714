#pragma once
// The channel panels of the main window as polling and logging see them.

#include <QString>
#include <QtGlobal>

class PanelView {
public:
    virtual ~PanelView() = default;
    // The PV display PVw(channel).
    virtual void setPvText(int channel, const QString &text) = 0;
    virtual QString pvText(int channel) const = 0;
    // Lamps La1..La3 of the channel from bits 0..2 of its status word: a set
    // bit red, a clear bit green.
    virtual void setLamps(int channel, quint16 statusWord) = 0;
};
