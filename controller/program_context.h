// The context of one run of the window program: the shared state record, the
// panel, the port, the pause, the catalogue of kinds, the binding between them
// and where the port list and the port choice come from. Passed by reference
// to every handler; tests build as many as they like.
#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "controller/panel_binding.h"
#include "device/logged_port.h"
#include "panel/panel_model.h"
#include "protocol/device_line.h"
#include "protocol/session_state.h"
#include "serial/pause.h"
#include "serial/port_description.h"
#include "serial/port_facts.h"
#include "serial/serial_port.h"

namespace intercom {

// Where the chosen port is kept, relative to the working directory.
inline constexpr const char* kPortChoiceFile = "COM.ini";
// Where the program keeps its own settings, beside COM.ini.
inline constexpr const char* kProgramSettingsFile = "intercom-config.ini";

// The machine's serial ports, in a stable order; may throw
// PortEnumerationError (or a HandlerFailure of its own).
using PortLister = std::function<std::vector<std::string>()>;

// What the machine tells about one port of the list.
using PortDescriber = std::function<PortDescription(const std::string& path)>;

// The machine's own roots, without the open and the search for holders.
inline FactRoots WindowFactRoots() {
  FactRoots roots;
  roots.findHolders = false;
  return roots;
}

struct ProgramContext {
  // `panel`, `port` and `catalogue` must outlive the context; the context's
  // `port` passes every call to `port`. The port list and the ports'
  // descriptions default to the machine's own.
  ProgramContext(PanelModel& panel, SerialPort& port, Pause pause,
                 const Catalogue& catalogue = StandardCatalogue());
  ProgramContext(const ProgramContext&) = delete;
  ProgramContext& operator=(const ProgramContext&) = delete;

  // The line as the device operations use it, reporting to the panel.
  DeviceLine Line() { return {state, port, pause, binding, catalogue}; }

  SessionState state;
  PanelModel& panel;
  // Every call on the port passes through here, so that the exchange log
  // holds all of the window's traffic.
  LoggedPort loggedPort;
  SerialPort& port;
  Pause pause;
  const Catalogue& catalogue;
  PanelBinding binding;
  PortLister listPorts;
  PortDescriber describePort;
  // Where the port dialog's verdict reads the machine's facts. The window
  // never opens the port for it nor looks through every process's files.
  FactRoots portFacts = WindowFactRoots();
  // COM.ini, relative to the working directory unless a test says otherwise.
  std::string portChoicePath = kPortChoiceFile;
  // The program's own settings, likewise.
  std::string programSettingsPath = kProgramSettingsFile;
  // The exchange log's file while "Журнал обмена…" is on.
  std::ofstream exchangeLog;
  // The exchange log's clock.
  LocalClock localTime = LocalTimeNow;
  // The folder of the file last chosen in a file dialog; empty before the
  // first.
  std::string lastFileFolder;
};

}  // namespace intercom
