// What the machine tells about why a serial port may not work: its device
// node and who may use it, who holds it, which system services claim such
// ports, and the adapter behind it. Only facts, read without changing
// anything; device/port_diagnosis.h judges them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/port_address.h"
#include "serial/port_description.h"

namespace intercom {

// Where the facts are read from. The defaults are the machine's own; tests
// point every root at a prepared folder and name the user.
struct FactRoots {
  std::string dev = "/dev";
  std::string sysClassTty = "/sys/class/tty";
  std::string sysUsbSerial = "/sys/bus/usb-serial/devices";  // FTDI's latency_timer
  std::string sysUsbDevices = "/sys/bus/usb/devices";
  std::string proc = "/proc";
  std::string udevData = "/run/udev/data";  // c<major>:<minor> files
  std::string groupFile = "/etc/group";
  std::string lockFolder = "/var/lock";
  std::string byIdDir = "/dev/serial/by-id";
  // Who asks: unset, this process (getuid(), getgroups(), its user name).
  std::optional<uint32_t> uid;
  std::optional<std::vector<uint32_t>> groups;  // the login's groups, the primary one included
  std::optional<std::string> userName;
  // Whether to open the port once for a moment to learn what an open says
  // (the command line does; the window never does).
  bool tryOpen = false;
  // Whether to look through every process's open files for the port
  // (/proc/*/fd); slower than the rest, so the window leaves it out.
  bool findHolders = true;
};

// A running process as /proc tells of it.
struct ProcessFacts {
  int pid = 0;
  std::string program;  // /proc/PID/comm; empty when unknown
  std::string user;     // its real user's name, or the number; empty when unknown
};

// A USB serial adapter's interface that has no tty: no driver took it, or a
// program took it through usbfs (brltty does so to CH340 and CP210x adapters).
struct TtylessAdapter {
  std::string usbInterface;  // the sysfs interface name, e.g. 1-1.2:1.0
  std::string vendorId;      // four hex digits
  std::string productId;
  std::string manufacturer;
  std::string product;
  std::string driver;  // "usbfs", or empty for none
};

struct PortFacts {
  std::string name;       // as asked, e.g. /dev/ttyUSB0 or COM3
  bool remote = false;    // rfc2217:// or socket://: none of the below was read
  bool unixNode = false;  // a device node with owner, mode and lock files (Linux)

  // The device node (Linux) or COM name (Windows).
  bool exists = false;
  bool isTerminal = false;                // a character device (Linux)
  std::vector<std::string> presentPorts;  // the ports the machine lists, when the name is missing

  // Access (Linux): the node's owner, group and mode bits, and the asker.
  uint32_t mode = 0;  // permission bits
  uint32_t ownerUid = 0;
  uint32_t groupId = 0;
  std::string groupName;  // from the group file; empty when it has no entry
  uint32_t uid = 0;
  std::string userName;
  bool inLoginGroups = false;  // the node's group is among the login's groups
  bool listedInGroup = false;  // the group file lists the user in the node's group
  bool mayReadWrite = false;   // by the mode bits, for the asker

  // The lock file of the serial tools' convention (Linux).
  std::string lockPath;
  bool lockExists = false;
  int lockPid = 0;  // 0: names none or could not be read
  bool lockAlive = false;
  bool lockOurs = false;
  ProcessFacts lockHolder;

  // Other processes with the port open (Linux, /proc/*/fd).
  std::vector<ProcessFacts> holders;
  // What an open for a moment said: 0 when it opened; unset when not tried.
  std::optional<int> openError;
  std::string openErrorText;

  // Services that take serial adapters (Linux).
  std::vector<ProcessFacts> modemManager;
  std::vector<ProcessFacts> brltty;
  bool modemManagerIgnores = false;  // udev: ID_MM_DEVICE_IGNORE=1 on the node

  // The adapter.
  PortDescription usb;
  std::string driver;            // the kernel driver (Linux) or its maker (Windows)
  std::optional<int> latencyMs;  // FTDI latency timer (Linux)
  std::string latencyPath;       // where to set it
  std::string friendlyName;      // the device manager's name (Windows)
  bool heldByOther = false;      // Windows: CreateFile said ERROR_ACCESS_DENIED
};

// The facts about `name` from `roots`. Never throws for what it cannot read:
// what is missing stays at its default. Remote names (IsRemotePortName)
// give only name and remote: device/remote_port_check.h checks those.
PortFacts GatherPortFacts(const std::string& name, const FactRoots& roots);

// The USB serial adapters (the vendor:product pairs of the common USB serial
// chips) whose interface has no tty. Empty off Linux.
std::vector<TtylessAdapter> FindTtylessAdapters(const FactRoots& roots);

// The processes named `program` (/proc/*/comm). Empty off Linux.
std::vector<ProcessFacts> FindProcesses(const FactRoots& roots, const std::string& program);

}  // namespace intercom
