#include "config/SettingForm.h"

#include "config/Numbers.h"
#include "config/Prompter.h"
#include "config/SettingCodes.h"
#include "config/SharedState.h"

#include <QStringList>

SettingForm::SettingForm(SharedState &state, Prompter &prompter, QObject *parent)
    : QObject(parent), state_(state), prompter_(prompter)
{
}

void SettingForm::setDvNText(const QString &text)
{
    if (DvN_ == text)
        return;
    DvN_ = text;
    emit changed();
}

void SettingForm::setMEflagText(const QString &text)
{
    if (MEflag_ == text)
        return;
    MEflag_ = text;
    emit changed();
}

void SettingForm::setFieldText(int item, const QString &text)
{
    Field &f = fields_.at(std::size_t(item));
    if (f.text == text)
        return;
    f.text = text;
    // A refused field's mark goes as soon as the field holds what OK takes.
    if (f.red && item != DecimalPointItem && !settingcodes::settingValueCode(text).isEmpty())
        f.red = false;
    emit changed();
}

std::optional<int> SettingForm::selectedChannel() const
{
    const std::optional<int> named = settingcodes::channelFromSelector(DvN_);
    return named ? named : loadedChannel_;
}

void SettingForm::openForChannel(int channel)
{
    shown_ = true;
    DvN_ = QString::number(channel);
    dvnChange();
}

void SettingForm::dvnChange()
{
    const std::optional<int> channel = selectedChannel();
    if (!channel) {
        emit changed();
        return;
    }
    const int c = *channel;
    loadedChannel_ = c;
    MEflag_ = state_.channels.state(c);

    if (!stateIsMonitored(MEflag_)) {
        for (Field &f : fields_) {
            f.text.clear();
            f.enabled = false;
        }
        emit changed();
        return;
    }

    fields_[NameItem].enabled = true;
    fields_[NameItem].text = state_.channels.name(c);
    // The setting fields keep their texts until the read answers arrive.
    for (int item = FirstSettingItem; item <= LastSettingItem; ++item) {
        Field &f = fields_[std::size_t(item)];
        f.enabled = true;
        f.red = false;
        state_.channels(c, item).ReadRequest = 1;
    }
    emit changed();
}

void SettingForm::Timer1_Timer()
{
    if (DvN_ != lastDvN_) {
        dvnChange();
        lastDvN_ = DvN_;
    }
    if (MEflag_ != lastMEflag_) {
        ApplyMonitoring();
        lastMEflag_ = MEflag_;
    }
}

void SettingForm::ApplyMonitoring()
{
    const std::optional<int> channel = selectedChannel();
    if (!channel)
        return;
    state_.channels(*channel, StateItem).Value = MEflag_;
    dvnChange();
    if (SetMainWindow)
        SetMainWindow();
}

bool SettingForm::validateFields()
{
    QStringList refused;
    for (int item = FirstSettingItem; item <= LastSettingItem; ++item) {
        if (item == DecimalPointItem)
            continue;
        Field &f = fields_[std::size_t(item)];
        // The mark follows the field as it is now: a corrected field loses it.
        f.red = settingcodes::settingValueCode(f.text).isEmpty();
        if (f.red) {
            // An empty field (its read not back yet) or one without a number
            // would be written as 0.
            refused << QStringLiteral("%1: enter a number from %2 to %3.")
                           .arg(settingcodes::itemCaption(item))
                           .arg(settingcodes::LowestSettingNumber)
                           .arg(settingcodes::HighestSettingNumber);
        }
    }
    if (refused.isEmpty())
        return true;
    emit changed();
    prompter_.message(refused.join(QLatin1Char('\n')));
    return false;
}

void SettingForm::OK_Click()
{
    const std::optional<int> channel = selectedChannel();
    if (!stateIsMonitored(MEflag_) || !channel) {
        shown_ = false;
        emit changed();
        return;
    }
    // Nothing is queued unless every field can be sent as typed.
    if (!validateFields())
        return;

    const int c = *channel;
    const qint64 address = state_.deviceAddress(c);

    const QString name = fields_[NameItem].text;
    state_.channels(c, NameItem).Value = name;
    if (setPanelTitle)
        setPanelTitle(c, name);

    for (int item = FirstSettingItem; item <= LastSettingItem; ++item) {
        ChannelItem &cell = state_.channels(c, item);
        const QString &text = fields_[std::size_t(item)].text;
        if (item == DecimalPointItem) {
            cell.Value = settingcodes::placeCodeFromText(text);
            // An address outside 0..31 has no entry to hold its place.
            if (isValidAddress(address))
                state_.DecimalPlaces[std::size_t(address)] = qint16(numbers::decodeHex16(cell.Value));
        } else {
            cell.Value = settingcodes::settingValueCode(text);
        }
        cell.WriteRequest = 1;
    }
    shown_ = false;
    emit changed();
}

void SettingForm::Cancele_Click()
{
    dvnChange();
    shown_ = false;
    emit changed();
}

QString SettingForm::channelSelectorText() const
{
    if (settingcodes::channelFromSelector(DvN_) || !loadedChannel_)
        return DvN_;
    return QString::number(*loadedChannel_);
}

void SettingForm::setItemText(int item, const QString &text) { setFieldText(item, text); }

void SettingForm::markRefused(int item)
{
    Field &f = fields_.at(std::size_t(item));
    if (f.red)
        return;
    f.red = true;
    emit changed();
}
