#pragma once
// The panels as polling and logging see them, kept in maps.

#include "config/PanelView.h"

#include <QMap>

class FakePanels : public PanelView {
public:
    QMap<int, QString> texts;
    QMap<int, quint16> lamps;
    void setPvText(int channel, const QString &text) override { texts[channel] = text; }
    QString pvText(int channel) const override { return texts.value(channel); }
    void setLamps(int channel, quint16 statusWord) override { lamps[channel] = statusWord; }
};
