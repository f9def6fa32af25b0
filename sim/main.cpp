// intercom-sim: one simulated device on a pseudo-terminal, for trying the tool
// without hardware. The first line on stdout is the port path to open.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "sim/command_line.h"
#include "sim/device_model.h"
#include "sim/pty_device.h"

namespace {

// Written by the signal handler, read by the serve loop: the only work the
// handler does is one write.
int stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(stopPipe[1], &byte, 1);
  errno = saved;
}

bool InstallStopSignals() {
  if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

// The --link symlink: placed by rename so that a reader never finds it
// missing, and removed at the end only while it still points at our port.
class PortLink {
 public:
  PortLink(std::string path, std::string target)
      : path_(std::move(path)), target_(std::move(target)) {}
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;
  ~PortLink() {
    if (placed_ && ReadLink() == target_) unlink(path_.c_str());
  }

  // False, with errno set, when the link cannot be made or a file other than a
  // symbolic link is in the way.
  bool Place() {
    struct stat info {};
    if (lstat(path_.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
      errno = EEXIST;
      return false;
    }
    const std::string temporary = path_ + ".new." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target_.c_str(), temporary.c_str()) != 0) return false;
    if (rename(temporary.c_str(), path_.c_str()) != 0) {
      const int saved = errno;
      unlink(temporary.c_str());
      errno = saved;
      return false;
    }
    placed_ = true;
    return true;
  }

 private:
  std::string ReadLink() const {
    char buffer[4096];
    const ssize_t n = readlink(path_.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
  }

  std::string path_;
  std::string target_;
  bool placed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const intercom::Catalogue& catalogue = intercom::StandardCatalogue();
  intercom::SimOptions options;
  if (!intercom::ParseSimOptions(argc, argv, catalogue, options, std::cerr)) {
    std::cerr << intercom::SimUsage(catalogue);
    return 2;
  }
  if (options.help || options.version) {
    if (options.help) {
      std::cout << intercom::SimUsage(catalogue);
    } else {
      std::cout << "intercom-sim " << INTERCOM_VERSION << "\n";
    }
    return std::cout.flush() ? 0 : 1;
  }
  if (!InstallStopSignals()) {
    std::cerr << "intercom-sim: signals: " << std::strerror(errno) << "\n";
    return 1;
  }
  try {
    intercom::PtyDevice device;
    std::optional<PortLink> link;
    if (!options.link.empty()) {
      link.emplace(options.link, device.SlavePath());
      if (!link->Place()) {
        std::cerr << "intercom-sim: --link " << options.link << ": " << std::strerror(errno)
                  << "\n";
        return 1;
      }
    }
    std::ofstream requestLog;
    if (!options.requestLog.empty()) {
      requestLog.open(options.requestLog, std::ios::app);
      if (!requestLog) {
        std::cerr << "intercom-sim: --log-requests " << options.requestLog << ": "
                  << std::strerror(errno) << "\n";
        return 1;
      }
    }
    std::cout << device.SlavePath() << std::endl;

    intercom::DeviceModel model(options.kind, options.studio255);
    device.Serve(model, options.misbehaviour, stopPipe[0], options.quiet ? nullptr : &std::cerr,
                 requestLog.is_open() ? &requestLog : nullptr);
  } catch (const std::exception& error) {
    std::cerr << "intercom-sim: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
