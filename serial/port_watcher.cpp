#include "serial/port_watcher.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "serial/pause.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool Contains(const std::vector<WatchedPort>& ports, const WatchedPort& port) {
  return std::find(ports.begin(), ports.end(), port) != ports.end();
}

class Polling : public PortWatcher {
 public:
  Polling(PortLister list, std::chrono::milliseconds interval)
      : list_(std::move(list)), interval_(interval) {}

  std::vector<PortEvent> Next(int timeoutMs) override {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const Clock::time_point now = Clock::now();
      if (!listed_ || now >= nextListing_) {
        std::vector<WatchedPort> current = list_();
        nextListing_ = now + interval_;
        listed_ = true;
        std::vector<PortEvent> events = DiffPorts(ports_, current);
        ports_ = std::move(current);
        if (!events.empty()) return events;
      }
      if (Clock::now() >= deadline) return {};
      const Clock::time_point wake = std::min(nextListing_, deadline);
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
      SleepPause(static_cast<int>(ms));
    }
  }

 private:
  PortLister list_;
  std::chrono::milliseconds interval_;
  std::vector<WatchedPort> ports_;
  bool listed_ = false;
  Clock::time_point nextListing_;
};

std::vector<WatchedPort> ListFolder(const fs::path& folder) {
  std::vector<WatchedPort> ports;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  // The udev daemon removes its link folders with their last link.
  if (error == std::errc::no_such_file_or_directory) return ports;
  for (fs::directory_iterator end; !error && it != end; it.increment(error)) {
    const std::string path = it->path().string();
    ports.push_back({path, path, ""});
  }
  if (error) throw PortWatchError("cannot read " + folder.string() + ": " + error.message());
  std::sort(ports.begin(), ports.end(),
            [](const WatchedPort& a, const WatchedPort& b) { return a.path < b.path; });
  return ports;
}

}  // namespace

std::string StableName(const WatchedPort& port) {
  return port.byPath.empty() ? port.path : port.byPath;
}

std::vector<PortEvent> DiffPorts(const std::vector<WatchedPort>& before,
                                 const std::vector<WatchedPort>& after) {
  std::vector<PortEvent> events;
  // Removals first: a caller ends the old port's work before a port of the
  // same path starts again.
  for (const WatchedPort& port : before) {
    if (!Contains(after, port)) events.push_back({PortEvent::Type::Removed, port});
  }
  for (const WatchedPort& port : after) {
    if (!Contains(before, port)) events.push_back({PortEvent::Type::Added, port});
  }
  return events;
}

std::unique_ptr<PortWatcher> PollingPortWatcher(PortLister list,
                                                std::chrono::milliseconds interval) {
  return std::make_unique<Polling>(std::move(list), interval);
}

std::unique_ptr<PortWatcher> FolderPortWatcher(const std::string& folder) {
  return PollingPortWatcher([folder = fs::path(folder)] { return ListFolder(folder); },
                            std::chrono::milliseconds(100));
}

}  // namespace intercom
