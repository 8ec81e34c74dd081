#include "app/win32/WindowFonts.h"

#include <cstring>
#include <string>

#include "app/win32/WindowLayout.h"

namespace galt::win32 {

HFONT WindowFonts::Of(const form::Font& Font) {
  for (const Made& m : made_)
    if (std::strcmp(m.font.face, Font.face) == 0 && m.font.px == Font.px && m.font.bold == Font.bold) return m.handle;
  // The design's faces are ASCII names.
  const std::wstring face = std::strcmp(Font.face, "MS Sans Serif") == 0
                                ? L"Microsoft Sans Serif"
                                : std::wstring(Font.face, Font.face + std::strlen(Font.face));
  // A negative height asks for the glyphs' own height in pixels, as the
  // layout counts it.
  const HFONT handle = ::CreateFontW(-Scaled(Font.px, dpi_), 0, 0, 0, Font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                     FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, face.c_str());
  made_.push_back({Font, handle});
  return handle;
}

WindowFonts::~WindowFonts() {
  for (const Made& m : made_) ::DeleteObject(m.handle);
}

}  // namespace galt::win32
