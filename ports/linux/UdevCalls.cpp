// libudev is loaded at its first call, not with the program: the window
// shows before anything describes or watches a port, and a library fewer at
// start-up makes every symbol the loader looks up cheaper. Each call the
// ports use is forwarded to the library's own; without the library a call
// answers as libudev does when it finds nothing, so ports are listed
// without descriptions and watched through their folders alone.

#include <dlfcn.h>
#include <libudev.h>

namespace {

void* Library() {
  static void* const library = ::dlopen("libudev.so.1", RTLD_NOW | RTLD_LOCAL);
  return library;
}

template <typename Function>
Function* Find(const char* Name) {
  void* library = Library();
  return library != nullptr ? reinterpret_cast<Function*>(::dlsym(library, Name)) : nullptr;
}

}  // namespace

#define GALT_UDEV_CALL(Result, Name, Parameters, Arguments, Nothing) \
  extern "C" Result Name Parameters {                               \
    static auto* const own = Find<decltype(Name)>(#Name);           \
    return own != nullptr ? own Arguments : Nothing;                \
  }

GALT_UDEV_CALL(udev*, udev_new, (void), (), nullptr)
GALT_UDEV_CALL(udev*, udev_unref, (udev * u), (u), nullptr)
GALT_UDEV_CALL(udev_device*, udev_device_new_from_devnum, (udev * u, char type, dev_t devnum), (u, type, devnum),
               nullptr)
GALT_UDEV_CALL(udev_device*, udev_device_new_from_subsystem_sysname,
               (udev * u, const char* subsystem, const char* sysname), (u, subsystem, sysname), nullptr)
GALT_UDEV_CALL(udev_device*, udev_device_unref, (udev_device * d), (d), nullptr)
GALT_UDEV_CALL(udev_device*, udev_device_get_parent, (udev_device * d), (d), nullptr)
GALT_UDEV_CALL(udev_device*, udev_device_get_parent_with_subsystem_devtype,
               (udev_device * d, const char* subsystem, const char* devtype), (d, subsystem, devtype), nullptr)
GALT_UDEV_CALL(const char*, udev_device_get_driver, (udev_device * d), (d), nullptr)
GALT_UDEV_CALL(const char*, udev_device_get_subsystem, (udev_device * d), (d), nullptr)
GALT_UDEV_CALL(const char*, udev_device_get_property_value, (udev_device * d, const char* key), (d, key), nullptr)
GALT_UDEV_CALL(const char*, udev_device_get_sysattr_value, (udev_device * d, const char* sysattr), (d, sysattr),
               nullptr)
GALT_UDEV_CALL(udev_monitor*, udev_monitor_new_from_netlink, (udev * u, const char* name), (u, name), nullptr)
GALT_UDEV_CALL(udev_monitor*, udev_monitor_unref, (udev_monitor * m), (m), nullptr)
GALT_UDEV_CALL(int, udev_monitor_filter_add_match_subsystem_devtype,
               (udev_monitor * m, const char* subsystem, const char* devtype), (m, subsystem, devtype), -1)
GALT_UDEV_CALL(int, udev_monitor_enable_receiving, (udev_monitor * m), (m), -1)
GALT_UDEV_CALL(int, udev_monitor_get_fd, (udev_monitor * m), (m), -1)
GALT_UDEV_CALL(udev_device*, udev_monitor_receive_device, (udev_monitor * m), (m), nullptr)
