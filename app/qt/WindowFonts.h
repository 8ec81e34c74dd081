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

// While a window's controls are built, the application's font is the given
// one (the window's own). A line edit lays its empty text out in the
// application's font before it takes its widget's, so the system's font would
// be loaded, about a millisecond, for a layout nobody sees. The system's font
// is back, for boxes and menus, once the controls exist.
class TBuildingFont {
 public:
  explicit TBuildingFont(const QFont& Font);
  ~TBuildingFont();
  TBuildingFont(const TBuildingFont&) = delete;
  TBuildingFont& operator=(const TBuildingFont&) = delete;

 private:
  QFont system_;
};
QRect RectOf(const form::Place& Place);

}  // namespace galt
