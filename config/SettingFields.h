#pragma once
// The setting dialog's fields as setting transfer sees them.

#include <QString>

class SettingFields {
public:
    virtual ~SettingFields() = default;
    // The text of the channel selector DvN.
    virtual QString channelSelectorText() const = 0;
    // The field of a setting item 1..10: ItemV(item), or DPp for item 4.
    virtual void setItemText(int item, const QString &text) = 0;
    // Red text on the field of an item whose write the instrument refused.
    virtual void markRefused(int item) = 0;
};
