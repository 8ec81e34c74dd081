#include <libudev.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "ports/PortDescription.h"

namespace galt {

namespace {

struct DeviceRef {
  explicit DeviceRef(udev_device* d) : Device(d) {}
  ~DeviceRef() {
    if (Device) udev_device_unref(Device);
  }
  DeviceRef(const DeviceRef&) = delete;
  DeviceRef& operator=(const DeviceRef&) = delete;
  udev_device* Device;
};

std::string Value(const char* s) { return s ? std::string(s) : std::string(); }

// udev's *_ENC properties escape blanks and other bytes as \xNN.
std::string DecodeEnc(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      const std::string hex(s.substr(i + 2, 2));
      char* end = nullptr;
      const long v = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out.push_back(static_cast<char>(v));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\t')) s.pop_back();
  std::size_t start = 0;
  while (start < s.size() && s[start] == ' ') ++start;
  return s.substr(start);
}

// A property of the device, read as the user should see it: the encoded form
// keeps blanks that the plain one turns into underscores.
std::string Property(udev_device* d, const char* Name) {
  const std::string enc = Value(udev_device_get_property_value(d, (std::string(Name) + "_ENC").c_str()));
  if (!enc.empty()) return Trimmed(DecodeEnc(enc));
  return Trimmed(Value(udev_device_get_property_value(d, Name)));
}

std::string FirstDriver(udev_device* d) {
  for (udev_device* p = d; p != nullptr; p = udev_device_get_parent(p)) {
    if (const char* drv = udev_device_get_driver(p)) return drv;
    const std::string prop = Value(udev_device_get_property_value(p, "DRIVER"));
    if (!prop.empty()) return prop;
  }
  return Value(udev_device_get_property_value(d, "ID_USB_DRIVER"));
}

}  // namespace

struct TSerPortDescriber::TImpl {
  udev* Udev = udev_new();
  ~TImpl() {
    if (Udev) udev_unref(Udev);
  }
};

TSerPortDescriber::TSerPortDescriber() : Impl_(std::make_unique<TImpl>()) {}
TSerPortDescriber::~TSerPortDescriber() = default;

TSerPortFacts TSerPortDescriber::Describe(std::uint64_t Rdev, const std::string& Name) const {
  TSerPortFacts facts;
  if (Impl_->Udev == nullptr) return facts;
  udev_device* found = nullptr;
  if (Rdev != 0) found = udev_device_new_from_devnum(Impl_->Udev, 'c', static_cast<dev_t>(Rdev));
  if (found == nullptr && !Name.empty())
    found = udev_device_new_from_subsystem_sysname(Impl_->Udev, "tty", Name.c_str());
  DeviceRef tty(found);
  // Pseudo-terminals are not in the device database: no hardware, no words.
  if (tty.Device == nullptr || Value(udev_device_get_subsystem(tty.Device)) != "tty") return facts;
  facts.Hardware = true;

  // Serial-core ports show the UART type; 0 is "unknown", a slot with no chip.
  if (const char* type = udev_device_get_sysattr_value(tty.Device, "type")) {
    facts.UartKnown = true;
    facts.UartAbsent = Trimmed(type) == "0";
  }

  // udev's database has the adapter's strings on the terminal itself (two
  // files to read); without it (no udevd, as in a container) the USB
  // device's own attributes say the same, at the price of a walk up.
  std::string product = Property(tty.Device, "ID_MODEL");
  std::string maker = Property(tty.Device, "ID_VENDOR");
  std::string serial = Property(tty.Device, "ID_SERIAL_SHORT");
  bool isUsb = Value(udev_device_get_property_value(tty.Device, "ID_BUS")) == "usb";
  if (product.empty() || maker.empty()) {
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty.Device, "usb", "usb_device")) {
      isUsb = true;
      if (product.empty()) product = Trimmed(Value(udev_device_get_sysattr_value(usb, "product")));
      if (maker.empty()) maker = Trimmed(Value(udev_device_get_sysattr_value(usb, "manufacturer")));
      if (serial.empty()) serial = Trimmed(Value(udev_device_get_sysattr_value(usb, "serial")));
    }
  }
  if (isUsb) {
    AppendDescription(facts.Description, product);
    AppendDescription(facts.Description, maker);
    AppendDescription(facts.Description, serial);
    facts.AdapterSerial = serial;
  }
  if (facts.Description.empty()) facts.Description = FirstDriver(tty.Device);
  return facts;
}

std::set<std::string> TSerPortDescriber::KernelConsoles() const {
  std::set<std::string> names;
  if (Impl_->Udev != nullptr) {
    DeviceRef console(udev_device_new_from_subsystem_sysname(Impl_->Udev, "tty", "console"));
    if (console.Device != nullptr) {
      std::istringstream active(Value(udev_device_get_sysattr_value(console.Device, "active")));
      std::string name;
      while (active >> name) names.insert(name);
    }
  }
  std::ifstream in("/proc/consoles");
  std::stringstream text;
  text << in.rdbuf();
  for (const auto& name : ParseProcConsoles(text.str())) names.insert(name);
  return names;
}

std::set<std::string> ParseProcConsoles(const std::string& Text) {
  std::set<std::string> names;
  std::istringstream lines(Text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string name;
    if (words >> name) names.insert(name);
  }
  return names;
}

}  // namespace galt
