#pragma once
// Fonts of the window. The designed faces ("MS Sans Serif", "Arial") are
// seldom installed on Linux, so each font falls back to DejaVu Sans, which
// carries the Cyrillic glyphs of every caption. Sizes are in pixels because
// the layout is in pixels: 8 points are 11 pixels, 10 points 13.

#include <QFont>

namespace galt {

QFont DialogFont(int pixel_size, bool bold = false);  // "MS Sans Serif"
QFont ArialFont(int pixel_size, bool bold = false);

}  // namespace galt
