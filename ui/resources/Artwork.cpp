#include "ui/resources/Artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace artwork {

namespace {

const QColor Navy(20, 40, 110);
const QColor Signal(220, 40, 30);

// A gauge dial: an arc with a needle, the mark shared by logo and icon.
void drawDial(QPainter &painter, const QRectF &box)
{
    painter.setPen(QPen(Navy, box.width() / 12.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(box, 30 * 16, 120 * 16);
    const QPointF centre = box.center();
    const QPointF tip(centre.x() + box.width() * 0.28, centre.y() - box.height() * 0.33);
    painter.setPen(QPen(Signal, box.width() / 16.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, tip);
    painter.setBrush(Navy);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(centre, box.width() / 14.0, box.width() / 14.0);
}

} // namespace

QPixmap logo()
{
    QPixmap pixmap(142, 71);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawDial(painter, QRectF(6, 10, 56, 56));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Navy);
    painter.drawText(QRectF(64, 8, 76, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VTX"));
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(Signal);
    painter.drawText(QRectF(64, 40, 76, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KORVANE"));
    return pixmap;
}

QPixmap programIcon(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(Navy, side / 16.0));
    painter.drawRoundedRect(QRectF(1, 1, side - 2, side - 2), side / 6.0, side / 6.0);
    drawDial(painter, QRectF(side * 0.15, side * 0.25, side * 0.7, side * 0.7));
    return pixmap;
}

} // namespace artwork
