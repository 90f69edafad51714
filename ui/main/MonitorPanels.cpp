#include "ui/main/MonitorPanels.h"

#include "config/WindowGeometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>

namespace {

// The layout is drawn in twips; at 96 dots per inch a pixel is 15 twips.
// Qt scales these logical pixels on high-density screens.
using window_geometry::pixels;

QRect twipRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

// Panel origins: eight rows per column, columns 2160 twips apart.
QPoint panelOrigin(int channel)
{
    return QPoint(pixels(2160 * (channel / 8)), pixels(840 * (channel % 8)));
}

const QColor LampClear(0, 192, 0);
const QColor LampLit(255, 0, 0);

QFont pvFont()
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(20.25);
    font.setBold(true);
    return font;
}

} // namespace

MonitorPanels::MonitorPanels(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MonitorPanels"));
    // The grid as designed; panels keep their places whatever the window does.
    setFixedSize(pixels(8775), pixels(7290));
    for (int channel = 0; channel < ChannelCount; ++channel)
        buildPanel(channel);
}

void MonitorPanels::buildPanel(int channel)
{
    Panel &panel = panels_[std::size_t(channel)];
    const QPoint origin = panelOrigin(channel);
    const QString index = QString::number(channel);

    auto place = [&](QLabel *label, const QString &name, const QRect &rect) {
        label->setObjectName(name + index);
        label->setGeometry(rect.translated(origin));
        label->setFocusPolicy(Qt::NoFocus);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
    };

    panel.number = new QLabel(index, this);
    place(panel.number, QStringLiteral("NumPvw"), twipRect(0, 600, 375, 255));
    panel.number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    panel.title = new QLabel(this);
    place(panel.title, QStringLiteral("PVwTitle"), twipRect(240, 240, 1335, 255));
    panel.title->setAlignment(Qt::AlignCenter);

    panel.pv = new QLabel(this);
    place(panel.pv, QStringLiteral("PVw"), twipRect(480, 480, 1095, 495));
    panel.pv->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel.pv->setFrameShape(QFrame::Box);
    panel.pv->setFrameShadow(QFrame::Plain);
    panel.pv->setLineWidth(1);
    panel.pv->setFont(pvFont());
    QPalette palette = panel.pv->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    panel.pv->setPalette(palette);
    panel.pv->setAutoFillBackground(true);

    for (int lamp = 0; lamp < LampCount; ++lamp) {
        QLabel *label = new QLabel(QStringLiteral("A%1").arg(lamp + 1), this);
        place(label, QStringLiteral("La%1_").arg(lamp + 1), twipRect(1560, 240 + 240 * lamp, 375, 255));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFrameShape(QFrame::Box);
        panel.lamps[std::size_t(lamp)] = label;
        paintLamp(label, false);
    }
}

void MonitorPanels::paintLamp(QLabel *lamp, bool lit)
{
    // A style sheet, because the lamp's border stays black while its text is
    // white, which one palette cannot say for a plain frame.
    const QColor background = lit ? LampLit : LampClear;
    lamp->setStyleSheet(QStringLiteral("QLabel { background-color: %1; color: white; border: 1px solid black; }")
                            .arg(background.name()));
}

void MonitorPanels::SetMainWindow(const ChannelTable &channels)
{
    for (int channel = 0; channel < ChannelCount; ++channel) {
        Panel &panel = panels_[std::size_t(channel)];
        panel.title->setText(channels.name(channel));
        // The channel number stays in every case, so an idle channel still
        // shows where it sits.
        const bool shown = !stateHidesPanel(channels.state(channel));
        panel.title->setVisible(shown);
        panel.pv->setVisible(shown);
        for (QLabel *lamp : panel.lamps)
            lamp->setVisible(shown);
    }
}

void MonitorPanels::setTitle(int channel, const QString &title)
{
    if (isChannel(channel))
        panels_[std::size_t(channel)].title->setText(title);
}

void MonitorPanels::setPvText(int channel, const QString &text)
{
    if (!isChannel(channel))
        return;
    QLabel *pv = panels_[std::size_t(channel)].pv;
    // The widest values ("-3276.8") do not fit the box at the panel's font;
    // clipped on the left they would lose their sign. Such a text alone is
    // drawn smaller, so that every digit and the sign stay visible.
    QFont font = pvFont();
    const int room = pv->contentsRect().width() - 2 * pv->margin() - 2;
    while (font.pointSizeF() > 8.0 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.75);
    if (pv->font() != font)
        pv->setFont(font);
    pv->setText(text);
}

QString MonitorPanels::pvText(int channel) const
{
    return isChannel(channel) ? panels_[std::size_t(channel)].pv->text() : QString();
}

void MonitorPanels::setLamps(int channel, quint16 statusWord)
{
    if (!isChannel(channel))
        return;
    Panel &panel = panels_[std::size_t(channel)];
    for (int lamp = 0; lamp < LampCount; ++lamp) {
        const bool lit = (statusWord >> lamp) & 1u;
        // Re-styling is costly and polling repeats the same word many times.
        if (panel.lit[std::size_t(lamp)] != lit) {
            panel.lit[std::size_t(lamp)] = lit;
            paintLamp(panel.lamps[std::size_t(lamp)], lit);
        }
    }
}
