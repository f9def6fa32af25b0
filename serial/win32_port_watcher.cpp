#include "serial/port_watcher.h"

#include "serial/port_enumeration.h"

namespace intercom {

// Windows numbers a COM port per device instance, so the name alone is
// stable; the device manager's names would cost a SetupAPI walk every round.
std::unique_ptr<PortWatcher> MachinePortWatcher() {
  return PollingPortWatcher(
      [] {
        std::vector<WatchedPort> ports;
        try {
          for (std::string& name : ListSerialPorts()) ports.push_back({std::move(name), "", ""});
        } catch (const PortEnumerationError& error) {
          throw PortWatchError(error.what());
        }
        return ports;
      },
      std::chrono::milliseconds(500));
}

}  // namespace intercom
