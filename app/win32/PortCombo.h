#pragma once
// The port selector: an editable drop-down of the listed ports. The field
// shows the short name ("COM5"); each row of the list shows the name and,
// in a second column, what the system knows of the port or who holds a busy
// one (owner-drawn, the list wider than the field). What the user picks from
// the list is handed on once (OnPicked, posted: one pick may come as several
// notifications); what the user steps to with the arrow keys or the wheel
// while it is closed is a step (OnStepped), which the window may take or
// not: one not taken stays in the field until Enter or the focus leaving the
// field chooses it. Text typed into the field changes nothing until Enter
// (OnTextEntered), and the field shows the selected port's name again when
// the focus leaves it.

#include "app/win32/WindowsApi.h"

#include <functional>
#include <string>
#include <vector>

#include "ports/PortDiscovery.h"

namespace galt::win32 {

class TPortCombo {
 public:
  TPortCombo(HWND Parent, int Id);
  ~TPortCombo();
  TPortCombo(const TPortCombo&) = delete;
  TPortCombo& operator=(const TPortCombo&) = delete;

  HWND Handle() const { return combo_; }
  HWND Field() const { return field_; }

  // Replaces the rows; selects the row whose path is Select (none: no row).
  void SetEntries(const std::vector<TSerPortEntry>& Entries, const std::string& Select);
  const std::vector<TSerPortEntry>& Entries() const { return entries_; }
  // The row the user has picked or stepped to, or nothing.
  const TSerPortEntry* Picked() const;
  // Shows the selected entry's name in the field (typed text is put back).
  void ShowSelected();
  std::string FieldText() const;
  bool Dropped() const;
  void SetFonts(HFONT Field, HFONT Note, int RowHeight);
  // A high-contrast theme: a busy port's note in the theme's grey too.
  void UseSystemColours(bool System) { systemColours_ = System; }
  // The field's width and top-left corner (client coordinates of the parent).
  void Place(int Left, int Top, int Width);

  // Before the list opens (the window looks at the ports again then).
  std::function<void()> OnAboutToShowList;
  // The user picked the selected row.
  std::function<void()> OnPicked;
  // The user stepped onto the selected row of the closed list.
  std::function<void()> OnStepped;
  // The user pressed Enter in the field with the list closed.
  std::function<void()> OnTextEntered;

  // The parent passes on its children's messages: the combo's commands and
  // its rows' measuring and drawing. True when they were this control's.
  bool OnCommand(HWND From, WORD Code);
  bool OnMeasureItem(MEASUREITEMSTRUCT& Item) const;
  bool OnDrawItem(const DRAWITEMSTRUCT& Item) const;
  // A key the window's loop sees before the control: Enter in the field.
  bool OnKey(const MSG& Message);

 private:
  // The field's and the combo's own messages: keys and the wheel that step
  // the closed list, and the posted pick.
  static LRESULT CALLBACK InputProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam, UINT_PTR Id,
                                    DWORD_PTR Self);
  // Hands the pick or step on once, after every notification of it has come;
  // a pick among them makes it a pick.
  void Pick(bool Deliberate);
  int SelectedRow() const;
  void SizeList();
  // The field selects its text with the caret at the start, so a name wider
  // than the field shows its beginning ("COM5", not "OM5").
  void ShowFromStart();

  HWND combo_ = nullptr;
  HWND field_ = nullptr;
  std::vector<TSerPortEntry> entries_;
  std::string selectedPath_;  // the chooser's selection, shown when no pick is made
  HFONT fieldFont_ = nullptr;
  HFONT noteFont_ = nullptr;
  int rowHeight_ = 16;
  int nameWidth_ = 0;  // the first column, from the widest name
  bool pickPending_ = false;
  bool pickDeliberate_ = false;
  int stepping_ = 0;       // inside a key or wheel message on the closed list
  bool stepHeld_ = false;  // the field shows a step not taken
  bool systemColours_ = false;
};

}  // namespace galt::win32
