#include "ui/main/MonitorPanels.h"

#include "config/WindowGeometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>

#include <algorithm>

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

// Clear columns kept between a PV's drawn text and the box's border, and the
// blank the text keeps on its right (the same for every font size, so that
// values of one channel stay aligned on their last digit).
constexpr int PvGap = 2;
constexpr int PvIndent = 3;
// The narrowest font a PV is drawn in; the widest value of the range fits far
// above it.
constexpr qreal PvSmallestPoints = 8.0;

// A title keeps this blank before the A1 lamp, so its text never meets it.
constexpr int TitleGap = 2;

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
    // A fixed indent: a framed label's own one is half an "x" of its font,
    // which changes with the font a wide value is drawn in.
    panel.pv->setIndent(PvIndent);
    panel.pv->setFont(pvFont());
    QPalette palette = panel.pv->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    panel.pv->setPalette(palette);
    panel.pv->setAutoFillBackground(true);

    // A name wider than its field is cut at its end, before the lamps.
    const int lampLeft = twipRect(1560, 0, 0, 0).left();
    panel.titleRoom = lampLeft - twipRect(240, 0, 0, 0).left() - TitleGap;

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
        showTitle(panel, channels.name(channel));
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
        showTitle(panels_[std::size_t(channel)], title);
}

void MonitorPanels::showTitle(Panel &panel, const QString &name)
{
    // A name that fits stays centred, as designed. A longer one (the field
    // takes 40 characters) would be centred and cut at both ends, its tail
    // under the A1 lamp: it starts at the field's left edge instead and, when
    // still too wide, is cut at its end with an ellipsis; the whole name is
    // then the panel's tool tip.
    QLabel *title = panel.title;
    const QFontMetrics metrics = title->fontMetrics();
    const int advance = metrics.horizontalAdvance(name);
    const int centredRoom = 2 * panel.titleRoom - title->width();
    const QString shown = advance <= panel.titleRoom ? name : metrics.elidedText(name, Qt::ElideRight, panel.titleRoom);
    title->setAlignment(advance <= centredRoom ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    title->setText(shown);
    const QString tip = shown == name ? QString() : name;
    for (QLabel *part : {panel.title, panel.pv})
        part->setToolTip(tip);
    panel.name = name;
}

QString MonitorPanels::title(int channel) const
{
    return isChannel(channel) ? panels_[std::size_t(channel)].name : QString();
}

int MonitorPanels::pvTextExtent(const QFontMetrics &metrics, const QString &text)
{
    // What the text covers when drawn: its advance, widened by any part of
    // the glyphs that stands out before its start or beyond its end.
    const QRect ink = metrics.boundingRect(text);
    const int advance = metrics.horizontalAdvance(text);
    return std::max(advance, ink.right() + 1) - std::min(0, ink.left());
}

void MonitorPanels::setPvText(int channel, const QString &text)
{
    if (!isChannel(channel))
        return;
    QLabel *pv = panels_[std::size_t(channel)].pv;
    // The widest values ("-32768", "-3276.8") do not fit the box at the
    // panel's font; drawn right-aligned they would run their sign into the
    // box's left border, where it reads as part of the line. Such a text
    // alone is drawn smaller, measured as drawn (sign, digits and point),
    // until it keeps a clear gap to the border.
    QFont font = pvFont();
    const int room = pv->contentsRect().width() - 2 * pv->margin() - pv->indent() - PvGap;
    while (font.pointSizeF() > PvSmallestPoints && pvTextExtent(QFontMetrics(font), text) > room)
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
