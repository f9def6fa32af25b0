// Why a serial port will or will not work, judged from the machine's facts
// (serial/port_facts.h): a list of findings and the one problem that matters
// most, which the one-line verdicts (English for the command line, Russian
// for the window) tell.
#pragma once

#include <string>
#include <vector>

#include "device/port_finding.h"
#include "serial/port_facts.h"

namespace intercom {

// The problem a verdict names: the first failing check's, else the first
// warning's; None when every check is ok.
enum class PortProblem {
  None,
  Remote,         // a network port: checked on connect, not here
  RemoteFails,    // a network port checked and found not to work
  Missing,        // no such node or COM name
  NotTerminal,    // the node is no character device
  JoinGroup,      // no access; the user is not in the node's group
  LogInAgain,     // no access; the group file lists the user, the login does not have the group
  NoAccess,       // no access for another reason (mode bits, owner)
  InUse,          // a live process's lock file, another process holds it, or it is busy
  BadLockFile,    // a lock file naming no process
  OpenFails,      // the open for a moment failed otherwise
  Brltty,         // brltty took the adapter (no tty), or may take it
  ModemManager,   // ModemManager probes the port after it appears
  SlowLatency,    // FTDI latency timer above 1 ms
  StaleLockFile,  // a lock file of a process that is gone
};

struct PortDiagnosis {
  std::string port;    // the name asked about, or the adapter's USB interface
  std::string header;  // the port and what the machine calls it, one line
  std::vector<Finding> findings;
  PortProblem problem = PortProblem::None;
  // What the verdicts name with the problem: the node's group, the holding
  // program ("minicom (PID 123)"), the ports present, the adapter's ids, the
  // latency in ms, or the error text.
  std::string subject;

  // No check failed: a port with warnings only can be used.
  bool Usable() const;
};

// The diagnosis of one port from its facts. A remote port gets one finding
// saying it is not checked here (device/remote_port_check.h checks it).
PortDiagnosis DiagnosePort(const PortFacts& facts);

// The diagnosis of an adapter without a tty: it cannot be used while brltty
// or no driver has it. `brltty` lists the brltty processes running.
PortDiagnosis DiagnoseTtylessAdapter(const TtylessAdapter& adapter,
                                     const std::vector<ProcessFacts>& brltty);

// The verdict in one English line for the command line ("usable", "not
// usable: ..."), without a newline.
std::string DiagnosisVerdict(const PortDiagnosis& diagnosis);

// The verdict in one Russian sentence for the window's port dialog.
std::string WindowDiagnosisVerdict(const PortDiagnosis& diagnosis);

}  // namespace intercom
