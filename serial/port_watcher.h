// The serial adapters that come and go on the machine, as a stream of changes:
// udev on Linux (sysfs polling where no udev daemon runs), the registry's port
// list polled on Windows, or a folder of links kept by the site or a test.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace intercom {

struct WatchedPort {
  std::string path;    // the node to open, e.g. /dev/ttyUSB0 or COM5
  std::string byPath;  // its /dev/serial/by-path link (stable per USB socket); empty when none
  std::string byId;    // its /dev/serial/by-id link (stable per adapter); empty when none

  bool operator==(const WatchedPort&) const = default;
};

// The name reports give a port: byPath when known (stable per USB socket), else path.
std::string StableName(const WatchedPort& port);

struct PortEvent {
  enum class Type { Added, Removed };
  Type type;
  WatchedPort port;

  bool operator==(const PortEvent&) const = default;
};

// The watching itself failed: the system's device events or port list cannot be read.
class PortWatchError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PortWatcher {
 public:
  virtual ~PortWatcher() = default;
  // The changes since the last call; the first call reports every port present
  // as Added. Waits up to timeoutMs milliseconds for a change when there is
  // none, and returns an empty list then. A Removed event carries the port
  // exactly as its Added event did. Throws PortWatchError when the watching
  // itself fails.
  virtual std::vector<PortEvent> Next(int timeoutMs) = 0;
};

// The changes from `before` to `after`: a Removed event for every port of
// `before` not in `after` (compared field by field, so a port whose links
// changed is removed and added again), then an Added event for every port of
// `after` not in `before`, each group in its list's order.
std::vector<PortEvent> DiffPorts(const std::vector<WatchedPort>& before,
                                 const std::vector<WatchedPort>& after);

// The ports present now; throws PortWatchError when they cannot be read.
using PortLister = std::function<std::vector<WatchedPort>()>;

// A watcher that calls `list` at most once per `interval` and reports the
// differences (DiffPorts) between one list and the next. Next lists at once
// when the interval since the last listing has passed, then sleeps between
// listings until a change or its timeout.
std::unique_ptr<PortWatcher> PollingPortWatcher(PortLister list,
                                                std::chrono::milliseconds interval);

// The machine's serial adapters: on Linux the ttys sysfs counts as ports
// (sysfs_ports.h), from udev's events, or from sysfs and the /dev/serial link
// folders read every 500 ms where no udev daemon runs (a container); on
// Windows the registry's port list read every 500 ms. Throws PortWatchError
// when the machine's device events cannot be watched.
std::unique_ptr<PortWatcher> MachinePortWatcher();

// Every entry of `folder` (a symbolic link to a tty, or any file) is a port:
// path = folder/entry, byPath = that same path, byId empty; in name order.
// A missing folder has no ports. Polls the folder every 100 ms. For tests and
// for sites that keep their own links.
std::unique_ptr<PortWatcher> FolderPortWatcher(const std::string& folder);

}  // namespace intercom
