// Hot-plug on Windows without a window: every port driver names its ports in
// the registry's SERIALCOMM as they come and go, and RegNotifyChangeKeyValue
// signals an event when the key changes; the event is armed again each time
// a change is taken. The key is made with the first port the system ever
// has; until then its parent is watched for it. (A window gets
// WM_DEVICECHANGE besides; this works for any front end.)

#include <windows.h>

#include "ports/PortMonitor.h"
#include "winutil/SystemComPorts.h"

namespace galt {

namespace {

constexpr wchar_t kDeviceMapKey[] = L"HARDWARE\\DEVICEMAP";

HKEY OpenToWatch(const wchar_t* Path) {
  HKEY key = nullptr;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path, 0, KEY_NOTIFY, &key) == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

struct TSerPortMonitor::TImpl {
  HANDLE Changed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HKEY Key = nullptr;
  bool WatchingParent = false;  // SERIALCOMM is not there yet

  ~TImpl() {
    if (Key != nullptr) ::RegCloseKey(Key);
    if (Changed != nullptr) ::CloseHandle(Changed);
  }

  // Watches SERIALCOMM if it is there, else its parent for it; answers
  // whether SERIALCOMM is watched now and was not before.
  bool Arm() {
    bool found = false;
    if (Key == nullptr || WatchingParent) {
      if (HKEY ports = OpenToWatch(kSerialCommKey)) {
        if (Key != nullptr) ::RegCloseKey(Key);
        Key = ports;
        found = WatchingParent;
        WatchingParent = false;
      } else if (Key == nullptr) {
        Key = OpenToWatch(kDeviceMapKey);
        WatchingParent = true;
      }
    }
    if (Key == nullptr || Changed == nullptr) return found;
    // New ports are new values; a port renamed is a value changed. Without
    // the thread-agnostic flag (before Windows 8) the watch lasts as long as
    // the thread that armed it, the window's.
    const DWORD what = WatchingParent ? REG_NOTIFY_CHANGE_NAME : REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    if (::RegNotifyChangeKeyValue(Key, FALSE, what | REG_NOTIFY_THREAD_AGNOSTIC, Changed, TRUE) != ERROR_SUCCESS) {
      ::RegNotifyChangeKeyValue(Key, FALSE, what, Changed, TRUE);
    }
    return found;
  }
};

TSerPortMonitor::TSerPortMonitor(const TSerPortTable&) : Impl_(std::make_unique<TImpl>()) { Impl_->Arm(); }

TSerPortMonitor::~TSerPortMonitor() = default;

std::vector<TSerHandle> TSerPortMonitor::Handles() const {
  if (Impl_->Key == nullptr || Impl_->Changed == nullptr) return {};
  return {reinterpret_cast<TSerHandle>(Impl_->Changed)};
}

bool TSerPortMonitor::TakeChanges() {
  if (Impl_->Changed == nullptr || ::WaitForSingleObject(Impl_->Changed, 0) != WAIT_OBJECT_0) return false;
  // Reset and armed again before the caller looks at the ports: a change
  // from now on signals again, one before is in what it sees.
  ::ResetEvent(Impl_->Changed);
  const bool watchedParent = Impl_->WatchingParent;
  const bool found = Impl_->Arm();
  return !watchedParent || found;
}

}  // namespace galt
