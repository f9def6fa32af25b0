#include <windows.h>

#include <algorithm>
#include <cctype>

#include "serial/com_port_name.h"
#include "serial/port_enumeration.h"
#include "serial/port_facts.h"
#include "serial/setupapi_ports.h"

namespace intercom {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

PortFacts GatherPortFacts(const std::string& name, const FactRoots& roots) {
  PortFacts facts;
  facts.name = name;
  if (IsRemotePortName(name)) {
    facts.remote = true;
    return facts;
  }
  std::vector<std::string> ports;
  try {
    ports = ListSerialPorts();
  } catch (const PortEnumerationError&) {
    // A list that cannot be read names nothing.
  }
  facts.exists = std::any_of(ports.begin(), ports.end(),
                             [&name](const std::string& port) { return SameName(port, name); });
  if (!facts.exists) {
    facts.presentPorts = ports;
    return facts;
  }
  // Windows asks no groups of a COM port: whoever is logged on may open it.
  facts.isTerminal = true;
  facts.mayReadWrite = true;
  facts.usb = DescribeSetupApiPort(name);
  facts.friendlyName = facts.usb.friendlyName;
  facts.driver = facts.usb.manufacturer;
  if (roots.tryOpen) {
    const HANDLE handle = CreateFileA(DevicePathForOpen(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      facts.openError = static_cast<int>(error);
      facts.heldByOther = error == ERROR_ACCESS_DENIED;
      facts.openErrorText = "Windows error " + std::to_string(error);
    } else {
      CloseHandle(handle);
      facts.openError = 0;
    }
  }
  return facts;
}

std::vector<TtylessAdapter> FindTtylessAdapters(const FactRoots&) {
  return {};
}

std::vector<ProcessFacts> FindProcesses(const FactRoots&, const std::string&) {
  return {};
}

}  // namespace intercom
