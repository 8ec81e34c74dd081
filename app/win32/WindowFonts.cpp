#include "app/win32/WindowFonts.h"

#include <initializer_list>

#include "app/win32/WindowLayout.h"

namespace galt::win32 {

namespace {

HFONT Make(const wchar_t* face, int px, bool bold, UINT dpi) {
  // A negative height asks for the glyphs' own height in pixels, as the
  // layout counts it.
  return ::CreateFontW(-Scaled(px, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

}  // namespace

WindowFonts::WindowFonts(UINT Dpi)
    : dialog_(Make(L"Microsoft Sans Serif", kDialogFontPx, false, Dpi)),
      dialogBold_(Make(L"Microsoft Sans Serif", kDialogFontPx, true, Dpi)),
      field_(Make(L"Microsoft Sans Serif", kFieldFontPx, true, Dpi)),
      caption_(Make(L"Arial", kFieldFontPx, true, Dpi)) {}

WindowFonts::~WindowFonts() {
  for (HFONT f : {dialog_, dialogBold_, field_, caption_}) ::DeleteObject(f);
}

}  // namespace galt::win32
