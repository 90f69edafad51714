#include "config/WindowGeometry.h"

#include "config/SettingsStore.h"

#include <QLocale>

#include <cmath>

namespace window_geometry {

namespace {

double twipsOr(const SettingsStore &store, const QString &key, double def)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(store.get(key, QString()).trimmed(), &ok);
    // Beyond a million twips (some 67,000 pixels) no screen exists.
    return ok && std::isfinite(value) && std::abs(value) < 1.0e6 ? value : def;
}

int toPixels(double twips) { return int(std::lround(twips / TwipsPerPixel)); }

} // namespace

QRect load(const SettingsStore &store)
{
    const double left = twipsOr(store, QStringLiteral("MainLeft"), 1000);
    const double top = twipsOr(store, QStringLiteral("MainTop"), 1000);
    double width = twipsOr(store, QStringLiteral("MainWidth"), 6500);
    double height = twipsOr(store, QStringLiteral("MainHeight"), 6500);
    if (width <= 0)
        width = 6500;
    if (height <= 0)
        height = 6500;
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QString twipsText(float twips) { return QString::number(double(twips), 'g', 7); }

void save(SettingsStore &store, const QRect &outerPixels)
{
    const SettingsStore::SaveScope oneSave(store);
    store.save(QStringLiteral("MainLeft"), twipsText(float(outerPixels.x() * TwipsPerPixel)));
    store.save(QStringLiteral("MainTop"), twipsText(float(outerPixels.y() * TwipsPerPixel)));
    store.save(QStringLiteral("MainWidth"), twipsText(float(outerPixels.width() * TwipsPerPixel)));
    store.save(QStringLiteral("MainHeight"), twipsText(float(outerPixels.height() * TwipsPerPixel)));
}

} // namespace window_geometry
