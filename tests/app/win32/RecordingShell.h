#pragma once
// What the window asked of the session and the taskbar, recorded.

#include <string>
#include <utility>
#include <vector>

#include "app/win32/SessionGuard.h"
#include "app/win32/TaskbarProgress.h"
#include "app/win32/Unit1.h"

namespace galt::testing {

struct RecordingShell : win32::SessionGuard, win32::TaskbarProgress {
  void Hold(HWND, const std::wstring& Reason) override { holds.push_back(Reason), held = true; }
  void Release(HWND) override { held = false; }
  void ButtonCreated(HWND) override {}
  void Show(HWND, State Shown, int Permille) override { taskbar.emplace_back(Shown, Permille); }
  win32::TForm1Shell Shell() { return {this, this}; }

  std::vector<std::wstring> holds;
  bool held = false;
  std::vector<std::pair<State, int>> taskbar;
};

}  // namespace galt::testing
