#pragma once
// The window's fonts at one DPI: the dialog font (MS Sans Serif 8 points, in
// its TrueType face Microsoft Sans Serif, which scales with the DPI where the
// bitmap face would not), its bold form for the gauge
// captions, the bold 10-point font of the port field and the serial number,
// and the bold 10-point Arial of the verify caption. All ask for the
// Cyrillic character set, so the font mapper picks a face with Cyrillic
// glyphs where the named one has none.

#include "app/win32/WindowsApi.h"

namespace galt::win32 {

class WindowFonts {
 public:
  explicit WindowFonts(UINT Dpi);
  ~WindowFonts();
  WindowFonts(const WindowFonts&) = delete;
  WindowFonts& operator=(const WindowFonts&) = delete;

  HFONT Dialog() const { return dialog_; }
  HFONT DialogBold() const { return dialogBold_; }
  HFONT Field() const { return field_; }
  HFONT Caption() const { return caption_; }

 private:
  HFONT dialog_, dialogBold_, field_, caption_;
};

}  // namespace galt::win32
