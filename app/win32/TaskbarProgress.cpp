#include "app/win32/TaskbarProgress.h"

#include <shobjidl.h>

namespace galt::win32 {

struct ShellTaskbarProgress::Shell {
  ITaskbarList3* list = nullptr;
};

ShellTaskbarProgress::ShellTaskbarProgress() : shell_(std::make_unique<Shell>()) {}

ShellTaskbarProgress::~ShellTaskbarProgress() {
  if (shell_->list != nullptr) shell_->list->Release();
}

void ShellTaskbarProgress::ButtonCreated(HWND) {
  if (shell_->list != nullptr) return;
  ITaskbarList3* list = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&list))))
    return;
  if (FAILED(list->HrInit())) {
    list->Release();
    return;
  }
  shell_->list = list;
}

void ShellTaskbarProgress::Show(HWND Window, State Shown, int Permille) {
  ITaskbarList3* list = shell_->list;
  if (list == nullptr) return;
  if (Shown == None) {
    list->SetProgressState(Window, TBPF_NOPROGRESS);
    return;
  }
  list->SetProgressState(Window, Shown == Error ? TBPF_ERROR : TBPF_NORMAL);
  list->SetProgressValue(Window, static_cast<ULONGLONG>(Permille), 1000);
}

UINT TaskbarButtonCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
  return message;
}

}  // namespace galt::win32
