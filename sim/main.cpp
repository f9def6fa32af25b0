// intercom-sim: one simulated device on a pseudo-terminal, for trying the tool
// without hardware. The first line on stdout is the port path to open.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sim/device_model.h"
#include "sim/pty_device.h"

namespace {

using intercom::DeviceKind;

constexpr char kUsage[] =
    "usage: intercom-sim --kind subscriber|splitter|beltpack|switch [--link PATH] [--quiet]\n"
    "                    [--silent] [--out-of-sync] [--truncate N] [--truncate-command CMD:N]...\n"
    "                    [--late MS] [--vanish-after K] [--corrupt-resend] [--studio-255]\n"
    "                    [--log-requests FILE]\n"
    "       intercom-sim --help | --version\n"
    "\n"
    "Plays one intercom device on a pseudo-terminal; prints the port's path on the\n"
    "first line of stdout and serves until SIGINT or SIGTERM.\n"
    "\n"
    "  --kind K       the device to simulate\n"
    "  --link PATH    make PATH a symbolic link to the port (replaces an old link)\n"
    "  --quiet        do not log requests and replies to stderr\n"
    "  --silent       never answer\n"
    "  --out-of-sync  answer with replies that begin E4 E2\n"
    "  --truncate N   send only the first N (0..16) bytes of each reply\n"
    "  --truncate-command CMD:N\n"
    "                 send only the first N (0..16) bytes of each reply to the command\n"
    "                 CMD, its name (ReadSettings) or number (3); other replies stay\n"
    "                 whole or as --truncate cuts them; repeatable\n"
    "  --late MS      send each reply MS milliseconds after its request\n"
    "  --vanish-after K\n"
    "                 answer the first K requests, then hear and answer nothing more,\n"
    "                 like a pulled cable\n"
    "  --corrupt-resend\n"
    "                 apply a WriteSettings that re-sends the kind's last address\n"
    "                 byte as the previous WriteSettings had it with bit 0 of that\n"
    "                 byte flipped, like a device that damages a re-sent value\n"
    "  --studio-255   report studio mode 255 whatever was written\n"
    "  --log-requests FILE\n"
    "                 append a line per request to FILE: CLOCK_MONOTONIC nanoseconds\n"
    "                 when its last byte arrived, then its bytes in hexadecimal\n"
    "  --help         print this help and exit\n"
    "  --version      print the version and exit\n";

struct Options {
  DeviceKind kind = DeviceKind::None;
  std::string link;
  std::string requestLog;
  bool quiet = false;
  bool studio255 = false;
  bool help = false;
  bool version = false;
  intercom::Misbehaviour misbehaviour;
};

std::optional<DeviceKind> ParseKind(std::string_view text) {
  if (const intercom::KindEntry* kind = intercom::StandardCatalogue().FindByName(text))
    return kind->kind;
  return std::nullopt;
}

std::optional<int> ParseInt(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// Fills `options` from the command line; false, with a reason on stderr, on a bad one.
bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return true;
    } else if (arg == "--version") {
      options.version = true;
      return true;
    } else if (arg == "--kind") {
      const auto text = value();
      const auto kind = text ? ParseKind(*text) : std::nullopt;
      if (!kind) {
        std::cerr << "intercom-sim: --kind needs subscriber, splitter, beltpack or switch\n";
        return false;
      }
      options.kind = *kind;
    } else if (arg == "--link") {
      const auto text = value();
      if (!text || text->empty()) {
        std::cerr << "intercom-sim: --link needs a path\n";
        return false;
      }
      options.link = *text;
    } else if (arg == "--log-requests") {
      const auto text = value();
      if (!text || text->empty()) {
        std::cerr << "intercom-sim: --log-requests needs a file\n";
        return false;
      }
      options.requestLog = *text;
    } else if (arg == "--truncate" || arg == "--late") {
      const bool truncate = arg == "--truncate";
      const auto text = value();
      const auto number =
          text ? ParseInt(*text, 0, truncate ? intercom::kReplyLength : 60000) : std::nullopt;
      if (!number) {
        std::cerr << "intercom-sim: " << arg
                  << (truncate ? " needs a byte count 0..16\n" : " needs milliseconds 0..60000\n");
        return false;
      }
      (truncate ? options.misbehaviour.replyBytes : options.misbehaviour.lateMs) = *number;
    } else if (arg == "--truncate-command") {
      const auto text = value();
      const auto cut = text ? intercom::ParseCommandBytes(*text) : std::nullopt;
      if (!cut) {
        std::cerr << "intercom-sim: --truncate-command needs CMD:N, CMD a command name "
                     "(ReadSettings) or number 1..11, N a byte count 0..16\n";
        return false;
      }
      options.misbehaviour.commandReplyBytes[cut->first] = cut->second;
    } else if (arg == "--vanish-after") {
      const auto text = value();
      const auto count = text ? ParseInt(*text, 0, 1000000) : std::nullopt;
      if (!count) {
        std::cerr << "intercom-sim: --vanish-after needs a request count 0..1000000\n";
        return false;
      }
      options.misbehaviour.vanishAfter = *count;
    } else if (arg == "--corrupt-resend") {
      options.misbehaviour.corruptResend = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--silent") {
      options.misbehaviour.silent = true;
    } else if (arg == "--out-of-sync") {
      options.misbehaviour.outOfSync = true;
    } else if (arg == "--studio-255") {
      options.studio255 = true;
    } else {
      std::cerr << "intercom-sim: unknown option " << arg << "\n";
      return false;
    }
  }
  if (options.kind == DeviceKind::None) {
    std::cerr << "intercom-sim: --kind is required\n";
    return false;
  }
  return true;
}

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
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << kUsage;
    return 2;
  }
  if (options.help || options.version) {
    if (options.help) {
      std::cout << kUsage;
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
