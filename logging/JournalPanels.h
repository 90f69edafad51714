#pragma once
// Polling shows each PV and status word through this view: it hands them on
// and tells the event journal, which learns from them the lamps and which
// channels answer.

#include "config/PanelView.h"
#include "logging/EventJournal.h"

class JournalPanels : public PanelView {
public:
    JournalPanels(PanelView &panels, EventJournal &journal) : panels_(panels), journal_(journal) {}

    void setPvText(int channel, const QString &text) override
    {
        panels_.setPvText(channel, text);
        journal_.pvShown(channel, text);
    }
    QString pvText(int channel) const override { return panels_.pvText(channel); }
    void setLamps(int channel, quint16 statusWord) override
    {
        panels_.setLamps(channel, statusWord);
        journal_.lampsShown(channel, statusWord);
    }

private:
    PanelView &panels_;
    EventJournal &journal_;
};
