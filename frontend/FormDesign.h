#pragma once
// The loader's window as designed, for every toolkit: the install panel
// Panel3 filling the client area, each control's caption, place, font and
// text colour. Both windows lay out from this and nothing else; the title is
// the operation's (OperationTitle in ProgressText.h), the serial number's
// value and range the core's.
//
// Places are pixels at 96 dpi, left and top within the panel; a window on
// another DPI scales them. A width or height of 0 is the content's: a label
// is as large as its text, the port field as high as its font. Font sizes
// are the glyphs' height in pixels at 96 dpi: 8 points are 11, 10 points 13.

#include <optional>

namespace galt::form {

struct Place {
  int left, top, width, height;
};

struct Font {
  // The designed face; a toolkit without it takes its own fallback.
  const char* face;
  int px;
  bool bold;
};

struct Colour {
  int red, green, blue;
};

struct Control {
  const char* caption;
  Place place;
  Font font;
  std::optional<Colour> colour;  // the system's text colour when none
  // What a screen reader calls a field the form shows no label for; the
  // window gives it as the control's accessible name.
  const char* spokenName = nullptr;
};

inline constexpr Font kDialogFont{"MS Sans Serif", 11, false};
inline constexpr Font kDialogBoldFont{"MS Sans Serif", 11, true};
inline constexpr Colour kNavy{0, 0, 128};
inline constexpr Colour kMaroon{128, 0, 0};

// A fixed size, a system menu and minimise; no maximise.
inline constexpr Control Panel3{"", {0, 0, 369, 113}, kDialogFont, std::nullopt};

// The port field shows the whole name ("COM256", "USB31", "ACM31", "pts/12")
// in 8 points bold, 85 pixels wide (its end 2 pixels before Label1's
// start): at 10 points, or 73 pixels, the longest are cut. Its list's rows
// are kPortRowHeight high.
inline constexpr Control cmbPorts{"COM1", {9, 9, 85, 0}, kDialogBoldFont, kMaroon, "Порт"};
inline constexpr int kPortRowHeight = 16;
// A busy port's words beside its name in that list: quieter than the other
// ports' (the system's grey), unless a high-contrast theme colours them.
inline constexpr Colour kBusyPortNote{96, 96, 96};
// The serial number's field with its up-down buttons at the right.
inline constexpr Control zn{"", {9, 41, 65, 26}, {"MS Sans Serif", 13, true}, kNavy, "Серийный номер"};
inline constexpr int kZnButtonsWidth = 16;
// The verify caption, above the port field.
inline constexpr Control sized1{"", {8, 2, 0, 0}, {"Arial", 13, true}, kNavy};
inline constexpr Control Label1{"Деактивизация:", {96, 16, 0, 0}, kDialogBoldFont, kNavy};
inline constexpr Control Gauge1{"", {200, 16, 153, 17}, kDialogFont, std::nullopt};
inline constexpr Control Label2{"Загрузка:", {96, 40, 0, 0}, kDialogBoldFont, kNavy};
inline constexpr Control Gauge2{"", {160, 40, 193, 17}, kDialogFont, std::nullopt};
inline constexpr Control Button4{"Установить версию GALT-5R.0211", {80, 75, 209, 25}, kDialogFont, std::nullopt};

}  // namespace galt::form
