#include "tests/support/MockMachine.h"

#include <umockdev.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>

#include <stdexcept>

namespace galt::testing {

namespace {

void Add(UMockdevTestbed* bed, const std::string& text) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(bed, text.c_str(), &error)) {
    const std::string message = error ? error->message : "?";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev: " + message);
  }
}

std::string Encoded(const std::string& s) {
  std::string out;
  for (char c : s) out += c == ' ' ? std::string("\\x20") : std::string(1, c);
  return out;
}

std::string Underscored(std::string s) {
  for (char& c : s)
    if (c == ' ') c = '_';
  return s;
}

}  // namespace

// The mock answers every ioctl of its nodes with "not a terminal" unless a
// handler takes it: the driver's serial settings are played here, the rest
// runs on the terminal itself, as the kernel would.
int MockMachine::HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* machine) {
  auto* self = static_cast<MockMachine*>(machine);
  const gulong request = umockdev_ioctl_client_get_request(client);
  std::lock_guard<std::mutex> lock(self->driversLock_);
  const auto it = self->drivers_.find(umockdev_ioctl_client_get_devnode(client));
  if ((request == TIOCGSERIAL || request == TIOCSSERIAL) && it != self->drivers_.end() &&
      it->second.settings != SerialSettings::None) {
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(serial_struct), nullptr);
    serial_struct info{};
    SerialFlags& flags = it->second.flags;
    if (data && request == TIOCGSERIAL) {
      info.flags = flags.now;
      std::memcpy(data->data, &info, sizeof info);
    } else if (data) {
      std::memcpy(&info, data->data, sizeof info);
      flags.asked.push_back(info.flags);
      if (it->second.settings == SerialSettings::Kept) flags.now = info.flags;
    }
    umockdev_ioctl_client_complete(client, data ? 0 : -1, data ? 0 : EFAULT);
    return TRUE;
  }
  gint error = 0;
  const gint result = umockdev_ioctl_client_execute(client, &error, nullptr);
  umockdev_ioctl_client_complete(client, result, error);
  return TRUE;
}

MockMachine::MockMachine() : bed_(umockdev_testbed_new()), ioctls_(umockdev_ioctl_base_new()) {
  g_signal_connect(ioctls_, "handle-ioctl", G_CALLBACK(HandleIoctl), this);
}

MockMachine::~MockMachine() {
  g_object_unref(bed_);
  g_object_unref(ioctls_);
}

void MockMachine::AttachIoctls(const std::string& name) {
  if (!passIoctls_) return;
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(bed_, ("/dev/" + name).c_str(), ioctls_, &error)) {
    const std::string message = error ? error->message : "?";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev: " + message);
  }
}

void MockMachine::PlugUsb(const std::string& name, const UsbAdapter& a) {
  const std::string usb = "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(nextBus_++);
  const std::string iface = usb + "/" + usb.substr(usb.rfind('/') + 1) + ":1.0";
  const std::string tty = iface + "/" + name + "/tty/" + name;
  // Parents first; the terminal last, so its "add" comes once all is there.
  Add(bed_, "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=0403\nA: idProduct=6001\n" +
                "A: product=" + a.product + "\nA: manufacturer=" + a.maker + "\nA: serial=" + a.serial + "\n");
  Add(bed_, "P: " + iface + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=" + a.driver + "\n");
  Add(bed_, "P: " + iface + "/" + name + "\nE: SUBSYSTEM=usb-serial\nE: DRIVER=" + a.driver + "\n");
  Add(bed_, "P: " + tty + "\nN: " + name + "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + name +
                "\nE: ID_BUS=usb\nE: ID_VENDOR=" + Underscored(a.maker) + "\nE: ID_VENDOR_ENC=" + Encoded(a.maker) +
                "\nE: ID_MODEL=" + Underscored(a.product) + "\nE: ID_MODEL_ENC=" + Encoded(a.product) +
                "\nE: ID_SERIAL_SHORT=" + a.serial + "\n");
  {
    std::lock_guard<std::mutex> lock(driversLock_);
    drivers_["/dev/" + name] = {a.settings, {a.flags, {}}};
  }
  AttachIoctls(name);
  syspaths_[name] = "/sys" + usb;
  ttys_[name] = "/sys" + tty;
}

void MockMachine::AddUart(const std::string& name, int type) {
  const std::string platform = "/devices/platform/serial8250";
  if (syspaths_.count("serial8250") == 0) {
    Add(bed_, "P: " + platform + "\nE: SUBSYSTEM=platform\nE: DRIVER=serial8250\n");
    syspaths_["serial8250"] = "/sys" + platform;
  }
  const std::string tty = platform + "/tty/" + name;
  Add(bed_, "P: " + tty + "\nN: " + name + "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + name +
                "\nA: type=" + std::to_string(type) + "\n");
  AttachIoctls(name);
  syspaths_[name] = "/sys" + tty;
  ttys_[name] = "/sys" + tty;
}

void MockMachine::SetConsole(const std::string& active) {
  Add(bed_, "P: /devices/virtual/tty/console\nE: SUBSYSTEM=tty\nA: active=" + active + "\n");
}

void MockMachine::Unplug(const std::string& name) {
  const auto it = syspaths_.find(name);
  if (it == syspaths_.end()) return;
  // The mock keeps a removed device's node; the kernel does not.
  gchar* root = umockdev_testbed_get_root_dir(bed_);
  ::unlink((std::string(root) + "/dev/" + name).c_str());
  g_free(root);
  // Listeners hear of the terminal; the whole device goes with it.
  if (passIoctls_) umockdev_testbed_detach_ioctl(bed_, ("/dev/" + name).c_str(), nullptr);
  umockdev_testbed_uevent(bed_, ttys_[name].c_str(), "remove");
  umockdev_testbed_remove_device(bed_, it->second.c_str());
  syspaths_.erase(it);
  ttys_.erase(name);
}

void MockMachine::OpenToAllUsers() {
  passIoctls_ = false;
  // The database; the terminals keep their modes.
  gchar* root = umockdev_testbed_get_root_dir(bed_);
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::permissions(root, fs::perms::all, ec);
  for (auto i = fs::recursive_directory_iterator(root, ec); i != fs::recursive_directory_iterator(); i.increment(ec)) {
    if (!i->is_symlink(ec)) fs::permissions(i->path(), fs::perms::all, ec);
  }
  g_free(root);
}

int MockMachine::FarSide(const std::string& name) const {
  return umockdev_testbed_get_dev_fd(bed_, ("/dev/" + name).c_str());
}

SerialFlags MockMachine::SerialFlagsOf(const std::string& name) const {
  std::lock_guard<std::mutex> lock(driversLock_);
  const auto it = drivers_.find("/dev/" + name);
  return it == drivers_.end() ? SerialFlags{} : it->second.flags;
}

TSerPortTable MockMachine::Table(std::initializer_list<const char*> names) {
  const TSerPortTable system = TSerPortTable::System();
  std::map<int, std::string> ports;
  for (const auto& [n, path] : system.Ports()) {
    for (const char* name : names)
      if (path == std::string("/dev/") + name) ports[n] = path;
  }
  return TSerPortTable(ports);
}

}  // namespace galt::testing
