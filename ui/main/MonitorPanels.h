#pragma once
// The grid of the 31 channel panels that fills the main window: per channel
// its number, display name, PV display and three alarm lamps.
//
// Child object names, with i the channel 0..30:
//   NumPvw<i>   channel number        PVwTitle<i>  display name
//   PVw<i>      PV text               La1_<i>, La2_<i>, La3_<i>  lamps A1..A3
// The elements are passive labels; they react to no click or key.

#include "config/ChannelTable.h"
#include "config/PanelView.h"

#include <QWidget>

#include <array>

class QFontMetrics;
class QLabel;

class MonitorPanels : public QWidget, public PanelView {
    Q_OBJECT
public:
    explicit MonitorPanels(QWidget *parent = nullptr);

    // Titles from the display names; each panel except its number shown
    // unless the channel's monitoring state contains "OFF" exactly as
    // written. Hiding keeps the PV text and the lamp colours.
    void SetMainWindow(const ChannelTable &channels);

    // The title of one channel, e.g. after the setting dialog renamed it.
    // A name too wide for its field is shown cut with an ellipsis, and in
    // whole as the tool tip of the panel's name and PV.
    void setTitle(int channel, const QString &title);
    // The whole name the channel's title shows.
    QString title(int channel) const;

    // PanelView. Channels outside 0..30 are ignored.
    void setPvText(int channel, const QString &text) override;
    QString pvText(int channel) const override;
    void setLamps(int channel, quint16 statusWord) override;

private:
    static constexpr int LampCount = 3;

    struct Panel {
        QLabel *number = nullptr;
        QLabel *title = nullptr;
        QLabel *pv = nullptr;
        QString name;      // whole, as the title may be cut
        int titleRoom = 0; // pixels the title's text may cover
        std::array<QLabel *, LampCount> lamps{};
        std::array<bool, LampCount> lit{};
    };

    void buildPanel(int channel);
    static void showTitle(Panel &panel, const QString &name);
    static int pvTextExtent(const QFontMetrics &metrics, const QString &text);
    static void paintLamp(QLabel *lamp, bool lit);
    static bool isChannel(int channel) { return channel >= 0 && channel < ChannelCount; }

    std::array<Panel, ChannelCount> panels_;
};
