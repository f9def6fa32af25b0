#include "cli/station_ports.h"

#include <set>

namespace intercom::cli {
namespace {

// Every -p, else the default port. nullopt, with exitCode set and the reason
// on err, when there is none or one is named twice.
std::optional<std::vector<StationPort>> NamedPorts(Environment& env, const CommonOptions& options,
                                                   int& exitCode) {
  if (options.morePorts.empty()) {
    const auto name = ResolvePort(env, options, exitCode);
    if (!name) return std::nullopt;
    return std::vector<StationPort>{{*name, PortId(env, *name), *name}};
  }
  std::vector<StationPort> ports{{options.port, PortId(env, options.port), options.port}};
  std::set<std::string> seen{options.port};
  for (const std::string& port : options.morePorts) {
    if (!seen.insert(port).second) {
      env.err << "error: -p " << port << " is given twice\n";
      exitCode = kExitUsage;
      return std::nullopt;
    }
    ports.push_back({port, PortId(env, port), port});
  }
  return ports;
}

}  // namespace

StationOutcome ServeStation(Environment& env, const CommonOptions& options,
                            const StationChoice& choice, DeviceService& service, SharedOutput& err,
                            SharedOutput* trace) {
  StationOutcome outcome;
  if (choice.anyPort) {
    std::unique_ptr<PortWatcher> watcher;
    try {
      watcher = env.makeWatcher(choice.portFolder);
    } catch (const PortWatchError& failure) {
      err.Write(std::string("error: cannot watch the serial adapters: ") + failure.what() + "\n");
      return {false, kExitPort, {}, false};
    }
    Station station(env, err, trace, service, true);
    if (!station.ServeAnyPort(*watcher)) return {false, kExitPort, {}, false};
    outcome.stopped = station.Interrupted() || StopRequested(env);
    return outcome;
  }
  const auto ports = NamedPorts(env, options, outcome.exitCode);
  if (!ports) {
    outcome.served = false;
    return outcome;
  }
  Station station(env, err, trace, service, ports->size() > 1);
  if (choice.wait) {
    station.ServeWaiting(*ports);
    outcome.stopped = station.Interrupted() || StopRequested(env);
  } else {
    outcome.codes = station.ServeOnce(*ports);
  }
  return outcome;
}

}  // namespace intercom::cli
