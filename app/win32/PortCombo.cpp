#include "app/win32/PortCombo.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "frontend/PortTexts.h"
#include "app/win32/WindowLayout.h"
#include "app/win32/WindowText.h"
#include "winutil/WideText.h"

namespace galt::win32 {

namespace {

// Posted to the field: the pick of this moment, handed on once.
constexpr UINT kPick = WM_APP + 2;
// Posted to the field as it takes the focus: the combo and the dialog keys
// select the text (caret at the end) after telling of the focus.
constexpr UINT kFromStart = WM_APP + 4;
// Between the columns, and the list's room for its frame and scroll bar.
constexpr int kColumnGap = 12;
constexpr int kRowInset = 2;

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
  const HGDIOBJ old = ::SelectObject(dc, font);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  return size.cx;
}

}  // namespace

TPortCombo::TPortCombo(HWND Parent, int Id) {
  combo_ = ::CreateWindowExW(0, WC_COMBOBOXW, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL |
                                 CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                             0, 0, 0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  if (combo_ == nullptr) throw std::runtime_error("cannot create the port selector");
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ::GetComboBoxInfo(combo_, &info);
  field_ = info.hwndItem;
  ::SetWindowSubclass(field_, &InputProc, 1, reinterpret_cast<DWORD_PTR>(this));
  ::SetWindowSubclass(combo_, &InputProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

TPortCombo::~TPortCombo() {
  ::RemoveWindowSubclass(field_, &InputProc, 1);
  ::RemoveWindowSubclass(combo_, &InputProc, 1);
  ::DestroyWindow(combo_);
}

void TPortCombo::SetEntries(const std::vector<TSerPortEntry>& Entries, const std::string& Select) {
  entries_ = Entries;
  selectedPath_ = Select;
  ::SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  for (const TSerPortEntry& e : entries_)
    ::SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(e.Name).c_str()));
  SizeList();
  ShowSelected();
}

int TPortCombo::SelectedRow() const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].Path == selectedPath_) return static_cast<int>(i);
  return -1;
}

void TPortCombo::ShowSelected() {
  stepHeld_ = false;
  const int row = SelectedRow();
  ::SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
  if (row < 0) ::SetWindowTextW(combo_, L"");
  ShowFromStart();
}

void TPortCombo::ShowFromStart() {
  // Selected backwards: the edit puts its caret at the end given last.
  const auto length = static_cast<WPARAM>(::GetWindowTextLengthW(field_));
  ::SendMessageW(field_, EM_SETSEL, length, 0);
  ::SendMessageW(field_, EM_SCROLLCARET, 0, 0);
}

std::string TPortCombo::FieldText() const { return Utf8FromWide(WindowText(field_)); }

bool TPortCombo::Dropped() const { return ::SendMessageW(combo_, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TPortCombo::SetFonts(HFONT Field, HFONT Note, int RowHeight) {
  fieldFont_ = Field;
  noteFont_ = Note;
  rowHeight_ = RowHeight;
  ::SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(Field), TRUE);
  // The field as high as its text; the rows as the layout has them.
  const HDC dc = ::GetDC(combo_);
  const HGDIOBJ old = ::SelectObject(dc, Field);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(combo_, dc);
  ::SendMessageW(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), metrics.tmHeight + 2);
  ::SendMessageW(combo_, CB_SETITEMHEIGHT, 0, RowHeight);
  SizeList();
}

void TPortCombo::Place(int Left, int Top, int Width) {
  // The height given is the field's and the open list's together; the list
  // takes what it needs of it.
  ::MoveWindow(combo_, Left, Top, Width, rowHeight_ * 12, TRUE);
}

void TPortCombo::SizeList() {
  const HDC dc = ::GetDC(combo_);
  int names = 0, notes = 0;
  for (const TSerPortEntry& e : entries_) {
    names = std::max(names, TextWidth(dc, fieldFont_, WideFromUtf8(e.Name)));
    notes = std::max(notes, TextWidth(dc, noteFont_, WideFromUtf8(EntryNote(e))));
  }
  ::ReleaseDC(combo_, dc);
  nameWidth_ = names;
  // Wide enough for name and description; the field itself stays narrow.
  const int width = 2 * kRowInset + names + (notes > 0 ? kColumnGap + notes : 0) + ::GetSystemMetrics(SM_CXVSCROLL);
  ::SendMessageW(combo_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}

bool TPortCombo::OnCommand(HWND From, WORD Code) {
  if (From != combo_) return false;
  switch (Code) {
    case CBN_DROPDOWN:
      if (OnAboutToShowList) OnAboutToShowList();
      break;
    case CBN_SELENDOK:
      // Sent for a step of the closed list too (Wine does).
      Pick(stepping_ == 0);
      break;
    case CBN_SELCHANGE:
      // Stepping through the open list is no pick yet; on a closed one it is
      // a step, or the pick from the list just closed.
      if (!Dropped()) Pick(stepping_ == 0);
      break;
    case CBN_SETFOCUS:
      ::PostMessageW(field_, kFromStart, 0, 0);
      break;
    case CBN_EDITCHANGE:
      stepHeld_ = false;  // typed text takes over
      break;
    case CBN_KILLFOCUS:
      // Left after a step the window did not take, or has yet to be handed:
      // that port is chosen.
      if (const TSerPortEntry* row = Picked();
          (stepHeld_ || pickPending_) && row != nullptr && row->Path != selectedPath_) {
        Pick(true);
        break;
      }
      [[fallthrough]];
    case CBN_CLOSEUP:
      // Closed without a pick, or left with text typed: the field shows the
      // selected port again.
      if (!pickPending_) ShowSelected();
      break;
    default:
      break;
  }
  return true;
}

void TPortCombo::Pick(bool Deliberate) {
  pickDeliberate_ = pickDeliberate_ || Deliberate;
  if (pickPending_) return;
  pickPending_ = true;
  ::PostMessageW(field_, kPick, 0, 0);
}

const TSerPortEntry* TPortCombo::Picked() const {
  const auto row = static_cast<int>(::SendMessageW(combo_, CB_GETCURSEL, 0, 0));
  if (row < 0 || row >= static_cast<int>(entries_.size())) return nullptr;
  return &entries_[static_cast<std::size_t>(row)];
}

bool TPortCombo::OnMeasureItem(MEASUREITEMSTRUCT& Item) const {
  Item.itemHeight = static_cast<UINT>(rowHeight_);
  return true;
}

bool TPortCombo::OnDrawItem(const DRAWITEMSTRUCT& Item) const {
  const HDC dc = Item.hDC;
  const bool selected = (Item.itemState & ODS_SELECTED) != 0;
  ::FillRect(dc, &Item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (Item.itemID == static_cast<UINT>(-1) || Item.itemID >= entries_.size()) return true;
  const TSerPortEntry& e = entries_[Item.itemID];
  ::SetBkMode(dc, TRANSPARENT);

  // The name is the field's; the words beside it are quieter, and a busy
  // port's are quieter still.
  RECT name = Item.rcItem;
  name.left += kRowInset;
  const HGDIOBJ old = ::SelectObject(dc, fieldFont_);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const std::wstring nameText = WideFromUtf8(e.Name);
  ::DrawTextW(dc, nameText.c_str(), static_cast<int>(nameText.size()), &name,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  const std::wstring note = WideFromUtf8(EntryNote(e));
  if (!note.empty()) {
    RECT where = Item.rcItem;
    where.left += kRowInset + nameWidth_ + kColumnGap;
    ::SelectObject(dc, noteFont_);
    const bool ownGrey = e.Busy && !systemColours_;
    ::SetTextColor(dc, selected  ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                       : ownGrey ? ColourOf(form::kBusyPortNote)
                                 : ::GetSysColor(COLOR_GRAYTEXT));
    ::DrawTextW(dc, note.c_str(), static_cast<int>(note.size()), &where,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  ::SelectObject(dc, old);
  if (Item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &Item.rcItem);
  return true;
}

bool TPortCombo::OnKey(const MSG& Message) {
  if (Message.message != WM_KEYDOWN || Message.wParam != VK_RETURN) return false;
  if (Message.hwnd != field_ && Message.hwnd != combo_) return false;
  if (Dropped()) return false;  // the list takes it: a pick
  if (OnTextEntered) OnTextEntered();
  return true;
}

LRESULT CALLBACK TPortCombo::InputProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam, UINT_PTR,
                                       DWORD_PTR Self) {
  auto* self = reinterpret_cast<TPortCombo*>(Self);
  if (Message == kFromStart) {
    if (::GetFocus() == Window) self->ShowFromStart();
    return 0;
  }
  if (Message == kPick) {
    self->pickPending_ = false;
    if (std::exchange(self->pickDeliberate_, false)) {
      if (self->OnPicked) self->OnPicked();
    } else if (self->OnStepped) {
      // A step the window takes shows the list anew, which lets this go.
      self->stepHeld_ = true;
      self->OnStepped();
    }
    self->ShowFromStart();
    return 0;
  }
  if ((Message == WM_KEYDOWN || Message == WM_MOUSEWHEEL) && !self->Dropped()) {
    ++self->stepping_;
    const LRESULT result = ::DefSubclassProc(Window, Message, WParam, LParam);
    --self->stepping_;
    return result;
  }
  if (Message == WM_NCDESTROY) ::RemoveWindowSubclass(Window, &InputProc, 1);
  return ::DefSubclassProc(Window, Message, WParam, LParam);
}

}  // namespace galt::win32
