#include "device/port_diagnosis.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace intercom {
namespace {

// The adapters brltty takes for braille displays when they appear.
bool BrlttyClaims(const std::string& vendorId, const std::string& productId) {
  const std::string ids = vendorId + ":" + productId;
  return ids == "1a86:7523" || ids == "10c4:ea60";
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string ProcessText(const ProcessFacts& process) {
  std::string text = "process " + std::to_string(process.pid);
  if (!process.program.empty() || !process.user.empty()) {
    text += " (" + (process.program.empty() ? std::string("?") : process.program);
    if (!process.user.empty()) text += ", user " + process.user;
    text += ")";
  }
  return text;
}

// "minicom (PID 123)", as the verdicts name a program.
std::string ProgramText(const ProcessFacts& process) {
  return (process.program.empty() ? std::string("?") : process.program) + " (PID " +
         std::to_string(process.pid) + ")";
}

class Findings {
 public:
  explicit Findings(PortDiagnosis& diagnosis) : diagnosis_(diagnosis) {}

  void Ok(std::string check, std::string fact) {
    diagnosis_.findings.push_back({std::move(check), FindingStatus::Ok, std::move(fact), {}});
  }
  void Warn(std::string check, std::string fact, std::string remedy, PortProblem problem,
            std::string subject = {}) {
    Add({std::move(check), FindingStatus::Warn, std::move(fact), std::move(remedy)}, problem,
        std::move(subject));
  }
  void Fail(std::string check, std::string fact, std::string remedy, PortProblem problem,
            std::string subject = {}) {
    Add({std::move(check), FindingStatus::Fail, std::move(fact), std::move(remedy)}, problem,
        std::move(subject));
  }

 private:
  // A failure outranks any warning before it; otherwise the first one stands.
  void Add(Finding finding, PortProblem problem, std::string subject) {
    const bool fails = finding.status == FindingStatus::Fail;
    if (diagnosis_.problem == PortProblem::None || (fails && !failed_)) {
      diagnosis_.problem = problem;
      diagnosis_.subject = std::move(subject);
    }
    failed_ = failed_ || fails;
    diagnosis_.findings.push_back(std::move(finding));
  }

  PortDiagnosis& diagnosis_;
  bool failed_ = false;
};

void CheckAccess(const PortFacts& facts, Findings& add) {
  const std::string group =
      facts.groupName.empty() ? "gid " + std::to_string(facts.groupId) : facts.groupName;
  if (facts.mayReadWrite) {
    add.Ok("access", facts.uid == 0
                         ? "running as root"
                         : facts.userName + " may read and write it (group " + group + ")");
    return;
  }
  const bool groupWouldDo =
      (facts.mode & 060) == 060 && !facts.groupName.empty() && facts.groupName != "root";
  if (groupWouldDo && facts.listedInGroup) {
    add.Fail("access",
             facts.userName + " was added to group " + group +
                 " after this login began: the login does not have it yet",
             "log out and in again (or run the command under `sg " + group + "`)",
             PortProblem::LogInAgain, group);
  } else if (groupWouldDo) {
    add.Fail("access", facts.userName + " is not in group " + group + ", which owns the port",
             "sudo usermod -aG " + group + " " + facts.userName + ", then log out and in again",
             PortProblem::JoinGroup, group);
  } else {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", facts.mode);
    add.Fail("access",
             facts.userName + " may not read and write it (mode " + mode + ", group " + group + ")",
             "give the port to a group the user is in (a udev rule with GROUP= and MODE=\"0660\")",
             PortProblem::NoAccess, group);
  }
}

void CheckLock(const PortFacts& facts, Findings& add) {
  if (!facts.lockExists) {
    add.Ok("lock file", "none (" + facts.lockPath + ")");
  } else if (facts.lockOurs) {
    add.Ok("lock file", facts.lockPath + " is this program's own");
  } else if (facts.lockPid == 0) {
    add.Fail("lock file", facts.lockPath + " names no process",
             "if no program uses the port, remove it: sudo rm " + facts.lockPath,
             PortProblem::BadLockFile, facts.lockPath);
  } else if (facts.lockAlive) {
    add.Fail("lock file", facts.lockPath + " names " + ProcessText(facts.lockHolder),
             "close that program, or choose another port", PortProblem::InUse,
             ProgramText(facts.lockHolder));
  } else {
    add.Warn("lock file",
             facts.lockPath + " names process " + std::to_string(facts.lockPid) + ", which is gone",
             "the open takes it over; if it cannot, remove it: rm " + facts.lockPath,
             PortProblem::StaleLockFile, facts.lockPath);
  }
}

void CheckOpen(const PortFacts& facts, Findings& add) {
  for (const ProcessFacts& holder : facts.holders) {
    add.Fail("other programs", "held open by " + ProcessText(holder),
             "close that program, or choose another port", PortProblem::InUse, ProgramText(holder));
  }
  if (facts.holders.empty() && facts.unixNode) add.Ok("other programs", "none holds it open");
  if (!facts.openError) return;
  if (*facts.openError == 0) {
    add.Ok("open", "it opens");
  } else if (facts.heldByOther) {
    add.Fail("open", "access denied: another program has it open", "close that program",
             PortProblem::InUse, {});
  } else if (facts.unixNode && *facts.openError == EBUSY) {
    add.Fail("open", "busy: another program uses it exclusively (TIOCEXCL)",
             "close the program that has it open", PortProblem::InUse, {});
  } else {
    add.Fail("open", "fails: " + facts.openErrorText, "", PortProblem::OpenFails,
             facts.openErrorText);
  }
}

void CheckServices(const PortFacts& facts, Findings& add) {
  const bool usb = !facts.usb.vendorId.empty();
  const std::string base = facts.name.substr(facts.name.find_last_of('/') + 1);
  if (facts.modemManager.empty()) {
    add.Ok("ModemManager", "not running");
  } else if (facts.modemManagerIgnores) {
    add.Ok("ModemManager", "running, told to ignore this port");
  } else if (usb || base.starts_with("ttyACM")) {
    add.Warn("ModemManager",
             "running (" + ProcessText(facts.modemManager.front()) +
                 ") and not told to ignore this port: it probes a new port for seconds",
             "a udev rule: ATTRS{idVendor}==\"" + facts.usb.vendorId + "\", ATTRS{idProduct}==\"" +
                 facts.usb.productId +
                 "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"; or sudo systemctl stop ModemManager",
             PortProblem::ModemManager);
  } else {
    add.Ok("ModemManager", "running; it leaves ports like this alone");
  }
  if (BrlttyClaims(facts.usb.vendorId, facts.usb.productId)) {
    if (facts.brltty.empty()) {
      add.Ok("brltty", "not running");
    } else {
      add.Warn("brltty",
               "running (" + ProcessText(facts.brltty.front()) + "); it takes " +
                   facts.usb.vendorId + ":" + facts.usb.productId +
                   " adapters for braille displays when they appear",
               "sudo systemctl mask brltty-udev.service brltty.service (or remove brltty), "
               "then plug the adapter in again",
               PortProblem::Brltty, facts.usb.vendorId + ":" + facts.usb.productId);
    }
  }
}

void CheckAdapter(const PortFacts& facts, Findings& add) {
  std::string text;
  if (!facts.friendlyName.empty()) text = facts.friendlyName;
  if (!facts.usb.vendorId.empty()) {
    text += (text.empty() ? "" : ", ") + std::string("USB ") + facts.usb.vendorId + ":" +
            facts.usb.productId;
    if (!facts.usb.manufacturer.empty()) text += " " + facts.usb.manufacturer;
    if (!facts.usb.product.empty()) text += " " + facts.usb.product;
  }
  if (!facts.driver.empty())
    text += (text.empty() ? "" : ", ") + std::string("driver ") + facts.driver;
  add.Ok("adapter", text.empty() ? "not a USB adapter; no driver named" : text);
  if (!facts.latencyMs) return;
  const std::string ms = std::to_string(*facts.latencyMs);
  if (*facts.latencyMs <= 1) {
    add.Ok("latency timer", ms + " ms");
    return;
  }
  add.Warn("latency timer", ms + " ms: replies reach the program up to " + ms + " ms late",
           "echo 1 | sudo tee " + facts.latencyPath +
               "; for good, a udev rule: SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
               "ATTR{latency_timer}=\"1\"",
           PortProblem::SlowLatency, ms);
}

std::string Header(const PortFacts& facts) {
  std::string header = facts.name;
  if (!facts.usb.vendorId.empty()) {
    header += " (USB " + facts.usb.vendorId + ":" + facts.usb.productId;
    if (!facts.usb.product.empty()) header += " " + facts.usb.product;
    header += ")";
  } else if (!facts.friendlyName.empty()) {
    header += " (" + facts.friendlyName + ")";
  }
  return header;
}

}  // namespace

bool PortDiagnosis::Usable() const {
  return std::none_of(findings.begin(), findings.end(),
                      [](const Finding& f) { return f.status == FindingStatus::Fail; });
}

PortDiagnosis DiagnosePort(const PortFacts& facts) {
  PortDiagnosis diagnosis;
  diagnosis.port = facts.name;
  diagnosis.header = Header(facts);
  Findings add(diagnosis);
  if (facts.remote) {
    add.Warn("network port", "not checked here", "read or detect checks it on connect",
             PortProblem::Remote);
    return diagnosis;
  }
  if (!facts.exists) {
    const std::string present = Join(facts.presentPorts);
    add.Fail("port", "no such port",
             present.empty() ? "plug the adapter in; no serial port is present"
                             : "a new adapter may have another name; present: " + present,
             PortProblem::Missing, present);
    return diagnosis;
  }
  if (!facts.isTerminal) {
    add.Fail("port", "not a character device", "name the serial port's device node",
             PortProblem::NotTerminal);
  } else {
    add.Ok("port", "present");
  }
  if (facts.unixNode) {
    CheckAccess(facts, add);
    CheckLock(facts, add);
  }
  CheckOpen(facts, add);
  if (facts.unixNode) CheckServices(facts, add);
  CheckAdapter(facts, add);
  return diagnosis;
}

PortDiagnosis DiagnoseTtylessAdapter(const TtylessAdapter& adapter,
                                     const std::vector<ProcessFacts>& brltty) {
  PortDiagnosis diagnosis;
  diagnosis.port = adapter.usbInterface;
  const std::string ids = adapter.vendorId + ":" + adapter.productId;
  diagnosis.header = "USB " + ids + " " + adapter.manufacturer + " " + adapter.product +
                     " (interface " + adapter.usbInterface + ", no tty)";
  Findings add(diagnosis);
  const std::string held = adapter.driver.empty() ? "no driver has it" : "bound to usbfs";
  if (!brltty.empty()) {
    add.Fail("brltty",
             held + " and brltty is running (" + ProcessText(brltty.front()) +
                 "): it took the adapter for a braille display, so no serial port appears",
             "sudo systemctl mask brltty-udev.service brltty.service (or remove brltty), then "
             "plug the adapter in again",
             PortProblem::Brltty, ids);
  } else {
    add.Fail("driver", held + ": no serial port appears",
             "plug the adapter in again; if that does not help, load its driver "
             "(sudo modprobe ch341 / cp210x / ftdi_sio / pl2303)",
             PortProblem::Missing, {});
  }
  return diagnosis;
}

std::string DiagnosisVerdict(const PortDiagnosis& d) {
  const std::string& s = d.subject;
  switch (d.problem) {
    case PortProblem::None:
      return "usable";
    case PortProblem::Remote:
      return "network port: not checked here";
    case PortProblem::RemoteFails:
      return "not usable: " + s;
    case PortProblem::Missing:
      return s.empty() ? "not usable: no such port" : "not usable: no such port; present: " + s;
    case PortProblem::NotTerminal:
      return "not usable: not a serial port";
    case PortProblem::JoinGroup:
      return "not usable: no access; join group " + s + " and log in again";
    case PortProblem::LogInAgain:
      return "not usable: no access until the next login (group " + s + ")";
    case PortProblem::NoAccess:
      return "not usable: no access";
    case PortProblem::InUse:
      return s.empty() ? "not usable: in use by another program" : "not usable: in use by " + s;
    case PortProblem::BadLockFile:
      return "not usable: lock file " + s + " names no process";
    case PortProblem::OpenFails:
      return "not usable: the open fails: " + s;
    case PortProblem::Brltty:
      return d.Usable() ? "usable, but brltty may take the adapter"
                        : "not usable: brltty took the adapter";
    case PortProblem::ModemManager:
      return "usable, but ModemManager probes it for seconds after it appears";
    case PortProblem::SlowLatency:
      return "usable, but replies come up to " + s + " ms late (latency timer)";
    case PortProblem::StaleLockFile:
      return "usable: the stale lock file is taken over on open";
  }
  return "usable";
}

std::string WindowDiagnosisVerdict(const PortDiagnosis& d) {
  const std::string& port = d.port;
  const std::string& s = d.subject;
  switch (d.problem) {
    case PortProblem::None:
    case PortProblem::StaleLockFile:
      return "Порт готов к работе.";
    case PortProblem::Remote:
      return "Сетевой порт: проверяется при подключении.";
    case PortProblem::RemoteFails:
      return "Сетевой порт " + port + " недоступен.";
    case PortProblem::Missing:
      return s.empty() ? "Порт " + port + " не найден: подключите адаптер."
                       : "Порт " + port + " не найден. Есть: " + s + ".";
    case PortProblem::NotTerminal:
      return port + " — не последовательный порт.";
    case PortProblem::JoinGroup:
      return "Нет доступа к " + port + ": добавьте пользователя в группу " + s +
             " и войдите снова.";
    case PortProblem::LogInAgain:
      return "Нет доступа к " + port + ": пользователь уже в группе " + s +
             ", войдите в систему снова.";
    case PortProblem::NoAccess:
      return "Нет доступа к " + port + ": проверьте права на устройство.";
    case PortProblem::InUse:
      return s.empty() ? "Порт " + port + " занят другой программой."
                       : "Порт " + port + " занят программой " + s + ".";
    case PortProblem::BadLockFile:
      return "Порт " + port + " заблокирован файлом " + s + ".";
    case PortProblem::OpenFails:
      return "Порт " + port + " не открывается: " + s + ".";
    case PortProblem::Brltty:
      return d.Usable() ? "Порт готов, но brltty может захватить адаптер: отключите brltty."
                        : "Адаптер захвачен программой brltty: отключите brltty.";
    case PortProblem::ModemManager:
      return "Порт готов, но ModemManager опрашивает его несколько секунд после подключения.";
    case PortProblem::SlowLatency:
      return "Порт готов, но ответы запаздывают до " + s + " мс: уменьшите latency_timer до 1.";
  }
  return "Порт готов к работе.";
}

}  // namespace intercom
