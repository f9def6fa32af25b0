#include "serial/port_facts.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "serial/lock_file.h"
#include "serial/port_enumeration.h"
#include "serial/sysfs_ports.h"
#include "serial/user_name.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;

// The common USB serial chips: FTDI, QinHeng CH340/CH341 and CH9102, Silicon
// Labs CP210x, Prolific PL2303.
constexpr const char* kSerialChips[] = {"0403:6001", "0403:6010", "0403:6011", "0403:6014",
                                        "0403:6015", "1a86:7523", "1a86:5523", "1a86:55d4",
                                        "10c4:ea60", "10c4:ea70", "067b:2303", "067b:23a3"};

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

std::string LinkName(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::read_symlink(link, error);
  return error ? std::string() : target.filename().string();
}

bool IsNumber(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string UserNameOf(uid_t uid) {
  return SystemUserName(uid).value_or(std::to_string(uid));
}

ProcessFacts ProcessAt(const FactRoots& roots, int pid) {
  ProcessFacts process;
  process.pid = pid;
  const fs::path dir = fs::path(roots.proc) / std::to_string(pid);
  process.program = FirstLine(dir / "comm");
  std::ifstream status(dir / "status");
  for (std::string line; std::getline(status, line);) {
    if (!line.starts_with("Uid:")) continue;
    std::istringstream fields(line.substr(4));
    unsigned long uid = 0;
    if (fields >> uid) process.user = UserNameOf(static_cast<uid_t>(uid));
    break;
  }
  return process;
}

// The entries of `roots.proc` that are processes, in the order listed.
std::vector<int> ProcessIds(const FactRoots& roots) {
  std::vector<int> pids;
  std::error_code error;
  for (fs::directory_iterator it(roots.proc, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (IsNumber(name) && name.size() < 10) pids.push_back(std::stoi(name));
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

// The name the serial tools give the node: below the device folder it is
// named as below /dev, whatever folder the roots name.
std::string ConventionalPath(const std::string& resolved, const FactRoots& roots) {
  const std::string dev = roots.dev + "/";
  if (resolved.starts_with(dev)) return "/dev/" + resolved.substr(dev.size());
  return resolved;
}

std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

void ReadAccess(PortFacts& facts, const struct stat& node, const FactRoots& roots) {
  facts.mode = node.st_mode & 07777;
  facts.ownerUid = node.st_uid;
  facts.groupId = node.st_gid;
  facts.uid = roots.uid ? *roots.uid : getuid();
  facts.userName = roots.userName ? *roots.userName : UserNameOf(facts.uid);
  std::vector<uint32_t> groups;
  if (roots.groups) {
    groups = *roots.groups;
  } else {
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> own(static_cast<size_t>(std::max(count, 0)));
    const int got = getgroups(count, own.data());
    groups.assign(own.begin(), own.begin() + std::max(got, 0));
    groups.push_back(getgid());
  }
  facts.inLoginGroups = std::find(groups.begin(), groups.end(), facts.groupId) != groups.end();

  // name:password:gid:member,member
  std::ifstream groupFile(roots.groupFile);
  for (std::string line; std::getline(groupFile, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, ':');) fields.push_back(field);
    if (fields.size() < 3 || !IsNumber(fields[2]) || fields[2].size() > 9 ||
        std::stoul(fields[2]) != facts.groupId) {
      continue;
    }
    facts.groupName = fields[0];
    std::istringstream members(fields.size() > 3 ? fields[3] : "");
    for (std::string member; std::getline(members, member, ',');) {
      if (member == facts.userName) facts.listedInGroup = true;
    }
    break;
  }

  const uint32_t wanted = S_IRUSR | S_IWUSR;
  if (facts.uid == 0) {
    facts.mayReadWrite = true;
  } else if (facts.uid == facts.ownerUid) {
    facts.mayReadWrite = (facts.mode & wanted) == wanted;
  } else if (facts.inLoginGroups) {
    facts.mayReadWrite = (facts.mode & (wanted >> 3)) == (wanted >> 3);
  } else {
    facts.mayReadWrite = (facts.mode & (wanted >> 6)) == (wanted >> 6);
  }
}

void ReadLock(PortFacts& facts, const std::string& resolved, const FactRoots& roots) {
  facts.lockPath = roots.lockFolder + "/" + LockFileName(ConventionalPath(resolved, roots));
  const LockFileContent content = ReadLockFile(facts.lockPath.c_str());
  facts.lockExists = content.exists;
  facts.lockPid = content.pid;
  if (content.pid <= 0) return;
  facts.lockAlive = kill(content.pid, 0) == 0 || errno == EPERM;
  facts.lockOurs = content.pid == getpid();
  if (facts.lockAlive) facts.lockHolder = ProcessAt(roots, content.pid);
}

void FindHolders(PortFacts& facts, const std::string& resolved, const FactRoots& roots) {
  const int self = getpid();
  for (const int pid : ProcessIds(roots)) {
    if (pid == self) continue;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(roots.proc) / std::to_string(pid) / "fd", error), end;
         !error && it != end; it.increment(error)) {
      std::error_code linkError;
      const fs::path target = fs::read_symlink(it->path(), linkError);
      if (!linkError && (target == resolved || target == facts.name)) {
        facts.holders.push_back(ProcessAt(roots, pid));
        break;
      }
    }
  }
}

void TryOpen(PortFacts& facts, const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    facts.openError = errno;
    facts.openErrorText = std::strerror(errno);
    return;
  }
  close(fd);
  facts.openError = 0;
}

// E:ID_MM_DEVICE_IGNORE=1 in udev's record of the node.
bool UdevIgnoredByModemManager(const struct stat& node, const FactRoots& roots) {
  const std::string file = roots.udevData + "/c" + std::to_string(major(node.st_rdev)) + ":" +
                           std::to_string(minor(node.st_rdev));
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line == "E:ID_MM_DEVICE_IGNORE=1") return true;
  }
  return false;
}

void ReadAdapter(PortFacts& facts, const std::string& resolved, const FactRoots& roots) {
  facts.usb = DescribePort(resolved, roots.sysClassTty, roots.byIdDir);
  facts.usb.path = facts.name;
  const std::string base = fs::path(resolved).filename().string();
  facts.driver = LinkName(fs::path(roots.sysClassTty) / base / "device" / "driver");
  const fs::path latency = fs::path(roots.sysUsbSerial) / base / "latency_timer";
  const std::string value = FirstLine(latency);
  if (IsNumber(value) && value.size() < 6) {
    facts.latencyMs = std::stoi(value);
    facts.latencyPath = latency.string();
  }
}

}  // namespace

std::vector<ProcessFacts> FindProcesses(const FactRoots& roots, const std::string& program) {
  std::vector<ProcessFacts> found;
  for (const int pid : ProcessIds(roots)) {
    if (FirstLine(fs::path(roots.proc) / std::to_string(pid) / "comm") == program) {
      found.push_back(ProcessAt(roots, pid));
    }
  }
  return found;
}

PortFacts GatherPortFacts(const std::string& name, const FactRoots& roots) {
  PortFacts facts;
  facts.name = name;
  if (IsRemotePortName(name)) {
    facts.remote = true;
    return facts;
  }
  const std::string path = name.find('/') == std::string::npos ? roots.dev + "/" + name : name;
  struct stat node {};
  if (stat(path.c_str(), &node) != 0) {
    try {
      facts.presentPorts = ListSysfsPorts(roots.sysClassTty, roots.dev);
    } catch (const PortEnumerationError&) {
      // A list that cannot be read suggests nothing.
    }
    return facts;
  }
  facts.exists = true;
  facts.unixNode = true;
  facts.isTerminal = S_ISCHR(node.st_mode);
  const std::string resolved = Resolved(path);
  ReadAccess(facts, node, roots);
  ReadLock(facts, resolved, roots);
  if (roots.findHolders) FindHolders(facts, resolved, roots);
  if (roots.tryOpen && facts.isTerminal) TryOpen(facts, path);
  for (const int pid : ProcessIds(roots)) {
    const std::string program = FirstLine(fs::path(roots.proc) / std::to_string(pid) / "comm");
    if (program == "ModemManager") facts.modemManager.push_back(ProcessAt(roots, pid));
    if (program == "brltty") facts.brltty.push_back(ProcessAt(roots, pid));
  }
  facts.modemManagerIgnores = UdevIgnoredByModemManager(node, roots);
  ReadAdapter(facts, resolved, roots);
  return facts;
}

std::vector<TtylessAdapter> FindTtylessAdapters(const FactRoots& roots) {
  std::vector<TtylessAdapter> adapters;
  std::error_code error;
  for (fs::directory_iterator it(roots.sysUsbDevices, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const size_t colon = name.find(':');
    if (colon == std::string::npos) continue;
    const fs::path device = fs::path(roots.sysUsbDevices) / name.substr(0, colon);
    const std::string ids = FirstLine(device / "idVendor") + ":" + FirstLine(device / "idProduct");
    if (std::find(std::begin(kSerialChips), std::end(kSerialChips), ids) ==
        std::end(kSerialChips)) {
      continue;
    }
    bool hasTty = false;
    std::error_code inner;
    for (fs::directory_iterator child(it->path(), inner), last; !inner && child != last;
         child.increment(inner)) {
      if (child->path().filename().string().starts_with("tty")) hasTty = true;
    }
    if (hasTty) continue;
    const std::string driver = LinkName(it->path() / "driver");
    if (!driver.empty() && driver != "usbfs") continue;
    adapters.push_back({name, ids.substr(0, 4), ids.substr(5), FirstLine(device / "manufacturer"),
                        FirstLine(device / "product"), driver});
  }
  std::sort(adapters.begin(), adapters.end(), [](const TtylessAdapter& a, const TtylessAdapter& b) {
    return a.usbInterface < b.usbInterface;
  });
  return adapters;
}

}  // namespace intercom
