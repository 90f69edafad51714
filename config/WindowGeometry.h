#pragma once
// The main window's position and outer size, kept in the store in twips
// (15 twips to a pixel; Qt scales pixels on high-DPI screens).

#include <QRect>
#include <QString>

class SettingsStore;

namespace window_geometry {

constexpr int TwipsPerPixel = 15;

// A length of the window layouts, given in twips, in whole pixels.
constexpr int pixels(int twips) { return twips / TwipsPerPixel; }

// Left, top, outer width and height in pixels from "MainLeft", "MainTop",
// "MainWidth" and "MainHeight" (defaults 1000, 1000, 6500, 6500 twips). A
// stored text that is not a number falls back to its default.
QRect load(const SettingsStore &store);

// Stores the outer rectangle as decimal texts of single-precision twips.
void save(SettingsStore &store, const QRect &outerPixels);

// The text of a single-precision number of twips: 1000 -> "1000".
QString twipsText(float twips);

} // namespace window_geometry
