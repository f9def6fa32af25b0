#include <vector>

#include "cli/command_run.h"
#include "cli/commands.h"
#include "device/port_diagnosis.h"
#include "device/remote_port_check.h"
#include "serial/port_address.h"

namespace intercom::cli {
namespace {

const char* StatusWord(FindingStatus status) {
  switch (status) {
    case FindingStatus::Ok:
      return "ok    ";
    case FindingStatus::Warn:
      return "warn  ";
    case FindingStatus::Fail:
      return "FAIL  ";
  }
  return "";
}

void Print(std::ostream& out, const PortDiagnosis& diagnosis) {
  out << diagnosis.header << "\n";
  for (const Finding& finding : diagnosis.findings) {
    out << "  " << StatusWord(finding.status) << finding.check << ": " << finding.fact;
    if (!finding.remedy.empty()) out << " \u2014 " << finding.remedy;
    out << "\n";
  }
  out << "  verdict: " << DiagnosisVerdict(diagnosis) << "\n";
}

}  // namespace

int RunDoctor(Environment& env, const CommonOptions& options) {
  FactRoots roots = env.factRoots;
  // The command line may open the port for a moment; the window never does.
  roots.tryOpen = true;
  std::vector<PortDiagnosis> diagnoses;
  if (IsRemotePortName(options.port)) {
    diagnoses.push_back(CheckRemotePort(options.port));
  } else if (!options.port.empty()) {
    diagnoses.push_back(DiagnosePort(GatherPortFacts(options.port, roots)));
  } else {
    const std::optional<std::vector<std::string>> ports = MachinePorts(env);
    if (!ports) return kExitPort;
    for (const std::string& port : *ports) {
      diagnoses.push_back(DiagnosePort(GatherPortFacts(port, roots)));
    }
    const std::vector<TtylessAdapter> adapters = FindTtylessAdapters(roots);
    if (!adapters.empty()) {
      const std::vector<ProcessFacts> brltty = FindProcesses(roots, "brltty");
      for (const TtylessAdapter& adapter : adapters) {
        diagnoses.push_back(DiagnoseTtylessAdapter(adapter, brltty));
      }
    }
    if (diagnoses.empty()) {
      env.err << "error: no serial port found\n";
      return kExitPort;
    }
  }
  bool usable = true;
  for (size_t i = 0; i < diagnoses.size(); ++i) {
    if (i > 0) env.out << "\n";
    Print(env.out, diagnoses[i]);
    usable = usable && diagnoses[i].Usable();
  }
  return usable ? kExitDone : kExitPort;
}

}  // namespace intercom::cli
