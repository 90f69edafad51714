#pragma once
// The setting dialog without its window: the texts and states of its fields,
// and what its channel selector, monitoring chooser, timer and buttons do.
// The dialog never talks to an instrument: it marks read and write requests
// in the channel table, and setting transfer fills its fields through the
// SettingFields interface.

#include "config/SettingFields.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class Prompter;
struct SharedState;

class SettingForm : public QObject, public SettingFields {
    Q_OBJECT
public:
    // Fields of items 0..10: ItemV(0..10), with the place chooser DPp as the
    // field of item 4. A field and its caption label are enabled together.
    static constexpr int FieldCount = 11;
    struct Field {
        QString text;
        bool enabled = true;
        bool red = false;
    };

    SettingForm(SharedState &state, Prompter &prompter, QObject *parent = nullptr);

    // Calls out to the main window: redraw every panel after a monitoring
    // change, and set one panel's title after OK.
    std::function<void()> SetMainWindow;
    std::function<void(int channel, const QString &name)> setPanelTitle;

    // The operator's edits, as typed. They take effect through the timer
    // tick (selector, chooser) or OK (fields).
    void setDvNText(const QString &text);
    void setMEflagText(const QString &text);
    void setFieldText(int item, const QString &text);

    QString DvN() const { return DvN_; }
    QString MEflag() const { return MEflag_; }
    const Field &field(int item) const { return fields_.at(std::size_t(item)); }
    bool isShown() const { return shown_; }

    // The channel the dialog works on: the one DvN names, or, while its text
    // names no channel 0..30, the one loaded last (none before the first).
    std::optional<int> selectedChannel() const;

    // The main window's channel menu: shows the dialog with DvN set to the
    // plain number ("0".."30") and loads that channel.
    void openForChannel(int channel);

    // Loads the selected channel: its monitoring state into MEflag; for an ON
    // channel its name, normal text colour on every field and a read request
    // for each setting item; for an OFF channel empty, disabled fields.
    void dvnChange();
    // Once a second: reload after a change of DvN, apply a change of MEflag.
    void Timer1_Timer();
    // Stores MEflag's text as the channel's monitoring state, reloads, and
    // has the main window redraw its panels.
    void ApplyMonitoring();
    // On an ON channel: takes the name and queues a write of all ten setting
    // items, then hides. A field that holds no number (empty, "abc") or one
    // that cannot travel as 16 bits stops it all: the field is marked red
    // while the dialog stays open, then a message names it. The mark goes as
    // soon as the field is edited to a number that can be sent.
    void OK_Click();
    // Reloads the channel (discarding edits) and hides.
    void Cancele_Click();

    // SettingFields, for setting transfer. While DvN names no channel the
    // selector text given is the number of the channel still shown.
    QString channelSelectorText() const override;
    void setItemText(int item, const QString &text) override;
    void markRefused(int item) override;

signals:
    // Anything shown changed: texts, enabled or red states, visibility.
    void changed();

private:
    bool validateFields();

    SharedState &state_;
    Prompter &prompter_;
    QString DvN_, MEflag_;
    QString lastDvN_, lastMEflag_;
    std::array<Field, FieldCount> fields_{};
    std::optional<int> loadedChannel_;
    bool shown_ = false;
};
