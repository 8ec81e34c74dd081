#pragma once
// The form's design (frontend/FormDesign.h) in Qt's terms. The designed
// faces ("MS Sans Serif", "Arial") are seldom installed on Linux, so each
// font falls back to DejaVu Sans, which carries the Cyrillic glyphs of every
// caption. Sizes are in pixels, as the layout is.

#include <QColor>
#include <QFont>
#include <QRect>

#include "frontend/FormDesign.h"

namespace galt {

QFont FontOf(const form::Font& Font);
QColor ColourOf(const form::Colour& Colour);
QRect RectOf(const form::Place& Place);

}  // namespace galt
