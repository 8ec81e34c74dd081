#pragma once
// The form's fonts (frontend/FormDesign.h) at one DPI, made as they are
// asked for. "MS Sans Serif" is taken in its TrueType face Microsoft Sans
// Serif, which scales with the DPI where the bitmap face would not. All ask
// for the Cyrillic character set, so the font mapper picks a face with
// Cyrillic glyphs where the named one has none.

#include "app/win32/WindowsApi.h"

#include <vector>

#include "frontend/FormDesign.h"

namespace galt::win32 {

class WindowFonts {
 public:
  explicit WindowFonts(UINT Dpi) : dpi_(Dpi) {}
  ~WindowFonts();
  WindowFonts(const WindowFonts&) = delete;
  WindowFonts& operator=(const WindowFonts&) = delete;

  HFONT Of(const form::Font& Font);

 private:
  struct Made {
    form::Font font;
    HFONT handle;
  };
  UINT dpi_;
  std::vector<Made> made_;
};

}  // namespace galt::win32
