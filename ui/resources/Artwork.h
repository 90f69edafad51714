#pragma once
// The program's own pictures, drawn in code: the splash logo and the icon.

#include <QPixmap>

namespace artwork {

// The splash window's logo, 142 x 71 pixels.
QPixmap logo();

// The program's icon, a square of the given side. vtx500-monitor.svg beside
// this file is the same drawing for the desktop's menus: change both.
QPixmap programIcon(int side = 32);

} // namespace artwork
