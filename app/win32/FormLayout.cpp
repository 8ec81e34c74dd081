// The window's controls placed, sized and given their fonts from the form's
// design (frontend/FormDesign.h) at the window's DPI.

#include <memory>
#include <string>
#include <utility>

#include "app/win32/Gauge.h"
#include "app/win32/PortCombo.h"
#include "app/win32/SpinEdit.h"
#include "app/win32/Unit1.h"
#include "app/win32/WindowFonts.h"
#include "app/win32/WindowLayout.h"
#include "app/win32/WindowText.h"
#include "frontend/FormDesign.h"

namespace galt::win32 {

namespace {

void SetFont(HWND control, HFONT font) { ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

void Move(HWND control, const form::Place& p, UINT dpi) {
  ::MoveWindow(control, Scaled(p.left, dpi), Scaled(p.top, dpi), Scaled(p.width, dpi), Scaled(p.height, dpi), TRUE);
}

}  // namespace

void TForm1::Layout(UINT Dpi) {
  dpi_ = Dpi;
  // The controls let go of the old fonts before they are deleted.
  const std::unique_ptr<WindowFonts> old = std::move(fonts_);
  fonts_ = std::make_unique<WindowFonts>(Dpi);
  const form::Place& panel = form::Panel3.place;
  const SIZE outer = OuterSize(Scaled(panel.width, Dpi), Scaled(panel.height, Dpi), kStyle, kExStyle, Dpi);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const form::Place& ports = form::cmbPorts.place;
  cmbPorts->SetFonts(fonts_->Of(form::cmbPorts.font), fonts_->Of(form::kDialogFont), Scaled(form::kPortRowHeight, Dpi));
  cmbPorts->Place(Scaled(ports.left, Dpi), Scaled(ports.top, Dpi), Scaled(ports.width, Dpi));

  const form::Place& number = form::zn.place;
  zn->SetFont(fonts_->Of(form::zn.font));
  zn->Place(RECT{Scaled(number.left, Dpi), Scaled(number.top, Dpi), Scaled(number.left + number.width, Dpi),
                 Scaled(number.top + number.height, Dpi)},
            Scaled(form::kZnButtonsWidth, Dpi));

  const std::pair<HWND, const form::Control*> labels[] = {
      {sized1, &form::sized1}, {Label1, &form::Label1}, {Label2, &form::Label2}};
  for (const auto& [label, design] : labels) {
    SetFont(label, fonts_->Of(design->font));
    Move(label, design->place, Dpi);
    FitLabel(label);
  }
  Gauge1->SetFont(fonts_->Of(form::Gauge1.font));
  Gauge2->SetFont(fonts_->Of(form::Gauge2.font));
  Move(Gauge1->Handle(), form::Gauge1.place, Dpi);
  Move(Gauge2->Handle(), form::Gauge2.place, Dpi);

  SetFont(Button4, fonts_->Of(form::Button4.font));
  Move(Button4, form::Button4.place, Dpi);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TForm1::FitLabel(HWND Label) {
  // A label is as large as its text, from its top-left corner.
  const std::wstring text = WindowText(Label);
  const HDC dc = ::GetDC(Label);
  const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(Label, WM_GETFONT, 0, 0)));
  SIZE size{};
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(Label, dc);
  RECT r;
  ::GetWindowRect(Label, &r);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  ::MoveWindow(Label, r.left, r.top, size.cx, metrics.tmHeight, TRUE);
}

}  // namespace galt::win32
