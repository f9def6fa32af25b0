#include "cli/station.h"

#include <memory>
#include <optional>
#include <thread>

namespace intercom::cli {
namespace {

// How often a waiting loop looks at the line, in ms.
constexpr int kPollMs = 300;
constexpr int kMissedProbesForGone = 2;

// Runs `work(i)` for each of `count` ports: on this thread for one port,
// else on one thread each.
template <typename Work>
void ForEachPort(size_t count, Work work) {
  if (count == 1) {
    work(0);
    return;
  }
  std::vector<std::thread> threads;
  for (size_t i = 0; i < count; ++i) threads.emplace_back(work, i);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace

// One port of a station: its own streams and stop query, whose lines start
// with the port's name when the station names its ports.
class PortLoop {
 public:
  PortLoop(Station& station, StationPort port)
      : station_(station),
        port_(std::move(port)),
        prefix_(station.namePorts_ ? port_.name + ": " : ""),
        err_(station.err_, prefix_),
        // Every field but the messages stream and the stop query is the program's.
        env_{station.env_.out,
             err_,
             station.env_.makePort,
             station.env_.pause,
             [this] { return StopHere(); },
             station.env_.sysfsTtyDir,
             station.env_.devDir,
             station.env_.byIdDir,
             station.env_.portChoicePath,
             station.env_.windowPortChoicePath,
             station.env_.errIsTerminal,
             station.env_.catalogue,
             station.env_.backupFolder,
             station.env_.makeWatcher,
             station.env_.factRoots} {}

  int ServeOnce();
  void ServeWaiting();
  // The adapter is gone: the loop ends before its next device.
  void Unplugged() { gone_ = true; }

 private:
  // Once the service is done, a loop waiting for a device has nothing left
  // to do; one serving a device finishes it. So does one whose adapter went.
  bool StopHere() const {
    return station_.Stopping() || (waiting_ && !serving_ && (gone_ || station_.service_.Done()));
  }
  void WaitUntilGone(DeviceConversation& conversation);

  Station& station_;
  const StationPort port_;
  const std::string prefix_;
  LineStream err_;
  Environment env_;
  bool waiting_ = false;
  std::atomic<bool> serving_ = false;
  std::atomic<bool> gone_ = false;
};

int PortLoop::ServeOnce() {
  Run run(env_, port_.path, station_.trace_, prefix_);
  try {
    if (!run.Start()) return run.exitCode;
    FoundDevice found = FoundDevice::Now(DeviceKind::None);
    found.kind = run.Discover();
    if (found.kind == DeviceKind::None) return run.exitCode;
    const int code = station_.service_.Serve(port_, *run.conversation, found, err_, false);
    if (code == kExitInterrupted) station_.interrupted_ = true;
    return code;
  } catch (const Interrupted&) {
    return run.Stopped();
  }
}

// Probes until the device has stopped answering: two probes in a row without
// an answer, or a failing line (an adapter unplugged, which is then closed).
// One lost reply must not pass the same device off as the next one.
void PortLoop::WaitUntilGone(DeviceConversation& conversation) {
  int missed = 0;
  while (missed < kMissedProbesForGone && !StopRequested(env_)) {
    missed = conversation.Probe() ? 0 : missed + 1;
    if (conversation.LineFailed()) {
      conversation.Disconnect();
      return;
    }
    Wait(env_, kPollMs);
  }
}

// While polling, boxes are not printed.
void PortLoop::ServeWaiting() {
  waiting_ = true;
  std::optional<LineStream> trace;
  if (station_.trace_ != nullptr) trace.emplace(*station_.trace_, prefix_);
  std::unique_ptr<SerialPort> port = env_.makePort();
  DeviceConversation conversation(*port, env_.pause, err_, trace ? &*trace : nullptr,
                                  env_.stopRequested, *env_.catalogue);

  err_ << "waiting for a device on " << port_.name << " (Ctrl+C stops)\n";
  try {
    while (!StopRequested(env_)) {
      conversation.SetQuiet(true);
      if (!conversation.Connected() && !conversation.Connect(port_.path)) {
        conversation.Disconnect();
        Wait(env_, kPollMs);
        continue;
      }
      FoundDevice found = FoundDevice::Now(DeviceKind::None);
      found.kind = conversation.Discover();
      const DeviceKind kind = found.kind;
      if (kind == DeviceKind::None || !conversation.ReadsAnswered()) {
        // A port that failed is reopened: a re-plugged adapter is a new device node.
        if (conversation.LineFailed()) conversation.Disconnect();
        Wait(env_, kPollMs);
        continue;
      }
      conversation.SetQuiet(false);
      // While a device is served no other port's progress stops this one.
      serving_ = true;
      const int code = station_.service_.Serve(port_, conversation, found, err_, true);
      serving_ = false;
      if (code == kExitInterrupted) {
        station_.interrupted_ = true;
        return;
      }
      if (station_.Stopping() || station_.service_.Done()) return;
      err_ << "unplug the " << env_.catalogue->KindName(kind) << "\n";
      conversation.SetQuiet(true);
      WaitUntilGone(conversation);
      if (!StopRequested(env_)) err_ << "waiting for a device on " << port_.name << "\n";
    }
  } catch (const Interrupted&) {
    // Stopped before a request: by the user, a file, the end of the work or
    // the adapter's going.
  }
}

Station::Station(Environment& env, SharedOutput& err, SharedOutput* trace, DeviceService& service,
                 bool namePorts)
    : env_(env), err_(err), trace_(trace), service_(service), namePorts_(namePorts) {}

bool Station::Stopping() const {
  return StopRequested(env_) || service_.Failed() || (trace_ != nullptr && trace_->Failed());
}

std::vector<int> Station::ServeOnce(const std::vector<StationPort>& ports) {
  std::vector<std::unique_ptr<PortLoop>> loops;
  for (const StationPort& port : ports) loops.push_back(std::make_unique<PortLoop>(*this, port));
  std::vector<int> codes(loops.size(), kExitDone);
  ForEachPort(loops.size(), [&](size_t i) { codes[i] = loops[i]->ServeOnce(); });
  return codes;
}

void Station::ServeWaiting(const std::vector<StationPort>& ports) {
  std::vector<std::unique_ptr<PortLoop>> loops;
  for (const StationPort& port : ports) loops.push_back(std::make_unique<PortLoop>(*this, port));
  ForEachPort(loops.size(), [&](size_t i) { loops[i]->ServeWaiting(); });
}

bool Station::ServeAnyPort(PortWatcher& watcher) {
  struct Running {
    std::string path;
    std::unique_ptr<PortLoop> loop;
    std::shared_ptr<std::atomic<bool>> ended;
    std::thread thread;
  };
  std::vector<Running> loops;
  // Joins the loops that have ended, or every loop of `path` (waiting for it)
  // before an adapter plugged back in gets its new loop.
  const auto reap = [&loops](const std::string* path) {
    for (auto it = loops.begin(); it != loops.end();) {
      if (*it->ended || (path != nullptr && it->path == *path)) {
        it->thread.join();
        it = loops.erase(it);
      } else {
        ++it;
      }
    }
  };
  bool watching = true;
  err_.Write("watching for serial adapters (Ctrl+C stops)\n");
  while (!Stopping() && !service_.Done() && !interrupted_) {
    std::vector<PortEvent> events;
    try {
      events = watcher.Next(kPollMs);
    } catch (const PortWatchError& failure) {
      err_.Write(std::string("error: watching the serial adapters failed: ") + failure.what() +
                 "\n");
      // No adapter can be told gone any more: each loop finishes its device and ends.
      for (Running& running : loops) running.loop->Unplugged();
      watching = false;
      break;
    }
    for (const PortEvent& event : events) {
      for (Running& running : loops) {
        if (running.path == event.port.path) running.loop->Unplugged();
      }
      if (event.type == PortEvent::Type::Removed) continue;
      reap(&event.port.path);
      const StationPort port{StableName(event.port), event.port.byId, event.port.path};
      Running running{port.path,
                      std::make_unique<PortLoop>(*this, port),
                      std::make_shared<std::atomic<bool>>(false),
                      {}};
      running.thread = std::thread([loop = running.loop.get(), ended = running.ended] {
        loop->ServeWaiting();
        *ended = true;
      });
      loops.push_back(std::move(running));
    }
    reap(nullptr);
  }
  for (Running& running : loops) running.thread.join();
  return watching;
}

}  // namespace intercom::cli
