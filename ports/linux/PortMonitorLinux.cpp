#include <libudev.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <set>
#include <string>

#include "ports/PortMonitor.h"

namespace galt {

struct TSerPortMonitor::TImpl {
  udev* Udev = nullptr;
  udev_monitor* Monitor = nullptr;
  int Inotify = -1;
  std::map<int, std::string> Watches;  // watch descriptor -> directory
  std::set<std::string> Nodes;          // "dir/name" of every table path

  ~TImpl() {
    if (Monitor) udev_monitor_unref(Monitor);
    if (Udev) udev_unref(Udev);
    if (Inotify >= 0) ::close(Inotify);
  }

  bool DrainUdev() {
    bool any = false;
    if (Monitor == nullptr) return false;
    while (udev_device* d = udev_monitor_receive_device(Monitor)) {
      any = true;  // every terminal event counts: its node name may differ from ours
      udev_device_unref(d);
    }
    return any;
  }

  bool DrainInotify() {
    bool relevant = false;
    if (Inotify < 0) return false;
    alignas(inotify_event) char buf[4096];
    for (;;) {
      const ssize_t n = ::read(Inotify, buf, sizeof buf);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
        if ((ev->mask & IN_Q_OVERFLOW) != 0) relevant = true;
        if (ev->len > 0) {
          const auto dir = Watches.find(ev->wd);
          if (dir != Watches.end() && Nodes.count(dir->second + "/" + ev->name) != 0) relevant = true;
        }
        at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      }
    }
    return relevant;
  }
};

TSerPortMonitor::TSerPortMonitor(const TSerPortTable& Table) : Impl_(std::make_unique<TImpl>()) {
  Impl_->Udev = udev_new();
  if (Impl_->Udev != nullptr) {
    Impl_->Monitor = udev_monitor_new_from_netlink(Impl_->Udev, "udev");
    if (Impl_->Monitor != nullptr &&
        (udev_monitor_filter_add_match_subsystem_devtype(Impl_->Monitor, "tty", nullptr) < 0 ||
         udev_monitor_enable_receiving(Impl_->Monitor) < 0)) {
      udev_monitor_unref(Impl_->Monitor);
      Impl_->Monitor = nullptr;
    }
  }
  Impl_->Inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  std::set<std::string> dirs;
  for (const auto& entry : Table.Ports()) {
    const std::string& path = entry.second;
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) continue;
    dirs.insert(path.substr(0, slash));
    Impl_->Nodes.insert(path);
  }
  if (Impl_->Inotify >= 0) {
    for (const auto& dir : dirs) {
      const int wd = ::inotify_add_watch(Impl_->Inotify, dir.c_str(),
                                         IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB);
      if (wd >= 0) Impl_->Watches.emplace(wd, dir);
    }
  }
}

TSerPortMonitor::~TSerPortMonitor() = default;

std::vector<TSerHandle> TSerPortMonitor::Handles() const {
  std::vector<TSerHandle> fds;
  if (Impl_->Monitor != nullptr) fds.push_back(udev_monitor_get_fd(Impl_->Monitor));
  if (Impl_->Inotify >= 0 && !Impl_->Watches.empty()) fds.push_back(Impl_->Inotify);
  return fds;
}

bool TSerPortMonitor::TakeChanges() {
  const bool fromUdev = Impl_->DrainUdev();
  const bool fromDirs = Impl_->DrainInotify();
  return fromUdev || fromDirs;
}

}  // namespace galt
