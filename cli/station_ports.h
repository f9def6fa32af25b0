// A station as the command line asks for it: the ports of -p (or the
// default port), served once or waiting, or every adapter that appears.
#pragma once

#include <vector>

#include "cli/station.h"

namespace intercom::cli {

struct StationOutcome {
  // False when the ports could not be had (none, one named twice) or the
  // watching failed; exitCode says why, and err has the reason.
  bool served = true;
  int exitCode = kExitDone;
  // Served once: the code of each port.
  std::vector<int> codes;
  // Waiting: a stop ended the run (Ctrl+C, or a device's service cut short).
  bool stopped = false;
};

// Serves devices with `service` as `choice` says. Ports are named in lines
// when there are several or any port is served.
StationOutcome ServeStation(Environment& env, const CommonOptions& options,
                            const StationChoice& choice, DeviceService& service, SharedOutput& err,
                            SharedOutput* trace);

}  // namespace intercom::cli
