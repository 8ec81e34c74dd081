#pragma once
// The operation's progress on the window's taskbar button: a bar while it
// runs, red on a failure, nothing otherwise. Behind an interface: the
// program tells the shell (ITaskbarList3), tests record what was told.

#include "app/win32/WindowsApi.h"

#include <memory>

namespace galt::win32 {

class TaskbarProgress {
 public:
  enum State { None, Normal, Error };
  virtual ~TaskbarProgress() = default;
  // The shell has made (or made anew, after Explorer restarted) Window's
  // button: only from then on does it take progress.
  virtual void ButtonCreated(HWND Window) = 0;
  // Permille: of the whole, 0 to 1000; ignored with None.
  virtual void Show(HWND Window, State Shown, int Permille) = 0;
};

// ITaskbarList3, on the window's thread (COM initialised by the program);
// without COM or a shell it shows nothing.
class ShellTaskbarProgress : public TaskbarProgress {
 public:
  ShellTaskbarProgress();
  ~ShellTaskbarProgress() override;
  ShellTaskbarProgress(const ShellTaskbarProgress&) = delete;
  ShellTaskbarProgress& operator=(const ShellTaskbarProgress&) = delete;

  void ButtonCreated(HWND Window) override;
  void Show(HWND Window, State Shown, int Permille) override;

 private:
  struct Shell;
  std::unique_ptr<Shell> shell_;
};

// The message the shell sends when the window's button is made.
UINT TaskbarButtonCreatedMessage();

}  // namespace galt::win32
