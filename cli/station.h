// A station: the loops that serve the devices answering on a set of ports,
// each port on a thread of its own when there are several. Once: one device
// per port. Waiting: one device after another on each port, until the
// service is done or the run stops. Any port: a waiting loop for each serial
// adapter a PortWatcher reports, for as long as it is present.
#pragma once

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_run.h"
#include "serial/port_watcher.h"

namespace intercom::cli {

// A port a station serves: the name its lines and reports give it, the
// by-id link beside it (may be empty) and the node to open.
struct StationPort {
  std::string name;
  std::string portId;
  std::string path;
};

// A device that answered: its kind, and when the discovery that found it
// began (the wall clock for reports, the steady one for durations).
struct FoundDevice {
  DeviceKind kind;
  std::chrono::system_clock::time_point began;
  std::chrono::steady_clock::time_point beganSteady;
  static FoundDevice Now(DeviceKind kind) {
    return {kind, std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
  }
};

// What a station does with each device that answers.
class DeviceService {
 public:
  virtual ~DeviceService() = default;
  // Serves the device `found` whose reads came back whole on `port`;
  // `err` takes the port's lines. `waiting`: a waiting loop, which goes on
  // to the next device. The device's exit code; kExitInterrupted when a
  // stop cut it short, which ends the port's loop.
  virtual int Serve(const StationPort& port, DeviceConversation& conversation,
                    const FoundDevice& found, std::ostream& err, bool waiting) = 0;
  // True once no further device can be served: a waiting loop then ends
  // before its next device.
  virtual bool Done() const = 0;
  // True once every loop must stop before its next request (a report or
  // backup that could not be written).
  virtual bool Failed() const = 0;
};

class Station {
 public:
  // `err` takes the lines of every port, each after the port's name when
  // `namePorts`; `trace` (null: none) every request and reply the same way.
  // All must outlive the station.
  Station(Environment& env, SharedOutput& err, SharedOutput* trace, DeviceService& service,
          bool namePorts);

  // One device on each port, all at once; the exit code of each port.
  std::vector<int> ServeOnce(const std::vector<StationPort>& ports);
  // One device after another on each port. A port may be missing now and
  // come and go between devices.
  void ServeWaiting(const std::vector<StationPort>& ports);
  // A waiting loop for each adapter `watcher` reports, started when it
  // appears and ended when it goes; until the service is done or the run
  // stops. False, with the reason on err, when the watching failed; each
  // loop then finishes the device it serves and ends.
  bool ServeAnyPort(PortWatcher& watcher);

  // True when a stop cut a device's service short.
  bool Interrupted() const { return interrupted_; }
  // The user asked to stop, or the service or the trace failed.
  bool Stopping() const;

 private:
  friend class PortLoop;
  Environment& env_;
  SharedOutput& err_;
  SharedOutput* trace_;
  DeviceService& service_;
  bool namePorts_;
  std::atomic<bool> interrupted_ = false;
};

}  // namespace intercom::cli
