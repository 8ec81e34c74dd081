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

// What a font is to draw. Captions, numbers and percentages are drawn from
// the face alone, which has every glyph of them: Qt then asks fontconfig for
// no fallback faces, script by script (most of what the window's fonts cost
// before its first paint). Text from outside (a typed port name, an
// adapter's description) may need another face: it keeps the fallbacks.
enum class Glyphs { OfCaptions, AnyText };

QFont FontOf(const form::Font& Font, Glyphs Drawn = Glyphs::OfCaptions);
QColor ColourOf(const form::Colour& Colour);
QRect RectOf(const form::Place& Place);

}  // namespace galt
