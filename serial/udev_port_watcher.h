// The Linux side of the port watcher: udev's device events, and the sysfs
// port list that stands in for them where no udev daemon runs.
#pragma once

#include <string>
#include <vector>

#include "serial/port_watcher.h"

namespace intercom {

// The ports ListSysfsPorts(sysfsTtyDir, devDir) gives, in its order, each with
// its link in byPathDir and in byIdDir (FindPortLink). Throws PortWatchError
// for a port entry whose name is not text.
std::vector<WatchedPort> ListSysfsWatchedPorts(const std::string& sysfsTtyDir = "/sys/class/tty",
                                               const std::string& devDir = "/dev",
                                               const std::string& byPathDir = "/dev/serial/by-path",
                                               const std::string& byIdDir = "/dev/serial/by-id");

// Asks the kernel to announce the tty `ttyName` again (writes "change" to its
// uevent file in /sys/class/tty, which needs root and a writable /sys) and
// tells whether the watcher's kind of device monitor receives that event
// within timeoutMs: the udev daemon's when it runs, the kernel's otherwise.
// Throws PortWatchError when the monitor cannot be opened or the file cannot
// be written.
bool UdevSeesTtyEvent(const std::string& ttyName, int timeoutMs);

}  // namespace intercom
