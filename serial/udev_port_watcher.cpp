#include "serial/udev_port_watcher.h"

#include <libudev.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>
#include <system_error>

#include "serial/port_description.h"
#include "serial/sysfs_ports.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The daemon's control socket: without it nobody relays the kernel's events
// as udev events, and a "udev" monitor would stay silent.
constexpr const char* kUdevControl = "/run/udev/control";
constexpr auto kSysfsInterval = std::chrono::milliseconds(500);

struct Unref {
  void operator()(udev* p) const { udev_unref(p); }
  void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
  void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
  void operator()(udev_device* p) const { udev_device_unref(p); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

bool UdevDaemonRuns() {
  std::error_code error;
  return fs::exists(kUdevControl, error);
}

// The tty subsystem's events from one netlink source ("udev" or "kernel").
class TtyMonitor {
 public:
  explicit TtyMonitor(const char* source) : udev_(udev_new()) {
    if (!udev_) throw PortWatchError("cannot start udev");
    monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), source));
    if (!monitor_ ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_.get()) < 0) {
      throw PortWatchError(std::string("cannot watch the ") + source + " device events");
    }
  }

  udev* Context() const { return udev_.get(); }

  // Whether an event is waiting, after up to timeoutMs; a signal ends the wait early.
  bool Wait(int timeoutMs) const {
    pollfd entry{udev_monitor_get_fd(monitor_.get()), POLLIN, 0};
    const int ready = poll(&entry, 1, std::max(timeoutMs, 0));
    if (ready < 0 && errno != EINTR) {
      throw PortWatchError(std::string("device events: ") + std::strerror(errno));
    }
    return ready > 0;
  }

  // The next waiting event's device; null when none is left (the socket does not block).
  Ref<udev_device> Receive() const {
    return Ref<udev_device>(udev_monitor_receive_device(monitor_.get()));
  }

 private:
  Ref<udev> udev_;
  Ref<udev_monitor> monitor_;
};

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

bool IsAdapter(udev_device* device) {
  const char* syspath = udev_device_get_syspath(device);
  if (!syspath || !udev_device_get_devnode(device)) return false;
  try {
    return IsSysfsPort(syspath);
  } catch (const PortEnumerationError& error) {
    throw PortWatchError(error.what());
  }
}

// Of several links in one folder the first in name order, as FindPortLink
// picks: of a port's "usb" and "usbv2" by-path links, the one older udev also makes.
WatchedPort FromDevice(udev_device* device) {
  WatchedPort port{udev_device_get_devnode(device), "", ""};
  auto keep = [](std::string& field, std::string_view link, std::string_view folder) {
    if (link.substr(0, folder.size()) != folder) return;
    if (field.empty() || link < field) field = std::string(link);
  };
  for (udev_list_entry* entry = udev_device_get_devlinks_list_entry(device); entry;
       entry = udev_list_entry_get_next(entry)) {
    const std::string_view link = udev_list_entry_get_name(entry);
    keep(port.byPath, link, "/dev/serial/by-path/");
    keep(port.byId, link, "/dev/serial/by-id/");
  }
  return port;
}

class UdevWatcher : public PortWatcher {
 public:
  // The monitor listens before the list is read: a port that comes meanwhile
  // is in both, and its event then changes nothing.
  UdevWatcher() : monitor_("udev") {
    Ref<udev_enumerate> enumerate(udev_enumerate_new(monitor_.Context()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
      throw PortWatchError("cannot list the tty devices");
    }
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get()); entry;
         entry = udev_list_entry_get_next(entry)) {
      Ref<udev_device> device(
          udev_device_new_from_syspath(monitor_.Context(), udev_list_entry_get_name(entry)));
      if (device && IsAdapter(device.get())) present_.push_back(FromDevice(device.get()));
    }
    std::sort(present_.begin(), present_.end(),
              [](const WatchedPort& a, const WatchedPort& b) { return a.path < b.path; });
  }

  std::vector<PortEvent> Next(int timeoutMs) override {
    if (!reported_) {
      reported_ = true;
      std::vector<PortEvent> events = DiffPorts({}, present_);
      if (!events.empty()) return events;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<PortEvent> events;
    while (events.empty() && monitor_.Wait(RemainingMs(deadline))) {
      while (Ref<udev_device> device = monitor_.Receive()) Apply(device.get(), events);
    }
    return events;
  }

 private:
  // One event at a time: an adapter pulled and plugged back between two
  // calls still ends the loop on the old one.
  void Apply(udev_device* device, std::vector<PortEvent>& events) {
    const char* devnode = udev_device_get_devnode(device);
    const char* action = udev_device_get_action(device);
    if (!devnode || !action) return;
    std::vector<WatchedPort> next = present_;
    std::erase_if(next, [devnode](const WatchedPort& port) { return port.path == devnode; });
    if (std::strcmp(action, "remove") != 0 && IsAdapter(device)) {
      next.push_back(FromDevice(device));
    }
    std::vector<PortEvent> changes = DiffPorts(present_, next);
    events.insert(events.end(), changes.begin(), changes.end());
    present_ = std::move(next);
  }

  TtyMonitor monitor_;
  std::vector<WatchedPort> present_;
  bool reported_ = false;
};

}  // namespace

std::vector<WatchedPort> ListSysfsWatchedPorts(const std::string& sysfsTtyDir,
                                               const std::string& devDir,
                                               const std::string& byPathDir,
                                               const std::string& byIdDir) {
  std::vector<std::string> paths;
  try {
    paths = ListSysfsPorts(sysfsTtyDir, devDir);
  } catch (const PortEnumerationError& error) {
    throw PortWatchError(error.what());
  }
  std::vector<WatchedPort> ports;
  ports.reserve(paths.size());
  for (const std::string& path : paths) {
    ports.push_back({path, FindPortLink(path, byPathDir), FindPortLink(path, byIdDir)});
  }
  return ports;
}

std::unique_ptr<PortWatcher> MachinePortWatcher() {
  if (UdevDaemonRuns()) return std::make_unique<UdevWatcher>();
  return PollingPortWatcher([] { return ListSysfsWatchedPorts(); }, kSysfsInterval);
}

bool UdevSeesTtyEvent(const std::string& ttyName, int timeoutMs) {
  const TtyMonitor monitor(UdevDaemonRuns() ? "udev" : "kernel");
  const std::string uevent = "/sys/class/tty/" + ttyName + "/uevent";
  {
    std::ofstream out(uevent);
    out << "change" << std::flush;
    if (!out) throw PortWatchError("cannot write " + uevent);
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (monitor.Wait(RemainingMs(deadline))) {
    while (Ref<udev_device> device = monitor.Receive()) {
      const char* name = udev_device_get_sysname(device.get());
      const char* action = udev_device_get_action(device.get());
      if (name && action && ttyName == name && std::strcmp(action, "change") == 0) return true;
    }
  }
  return false;
}

}  // namespace intercom
