// A running ser2net serving simulator ptys on 127.0.0.1, for end-to-end tests of
// the remote ports (rfc2217:// and socket://). Unprivileged: its config, pid file
// and log live in a temporary folder, UUCP locking is off, nothing under /etc or
// /var is read or written.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace intercom::testing {

// Telnet with RFC 2217 (the port sets the line and waits for the server's word),
// or a bare TCP byte stream.
enum class SerialServerMode { Rfc2217, Raw };

inline const char* SerialServerModeName(SerialServerMode mode) {
  return mode == SerialServerMode::Rfc2217 ? "Rfc2217" : "Raw";
}

// The installed ser2net, or empty when there is none.
inline std::string Ser2netProgram() {
  for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

// A TCP port on 127.0.0.1 that nothing listened on a moment ago; 0 when none was found.
inline uint16_t FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(s);
  return port;
}

// ser2net with one connection per pty. The constructor returns once ser2net
// itself listens on every port (within 5 s, retried on fresh ports when one was
// taken meanwhile); the destructor stops it.
class Ser2net {
 public:
  using Clock = std::chrono::steady_clock;

  Ser2net(const std::vector<std::string>& ptys, SerialServerMode mode) : mode_(mode) {
    const std::string program = Ser2netProgram();
    dir_ = MakeTempDir("ser2net");
    if (program.empty() || dir_.empty()) return;
    for (int attempt = 0; attempt < 3 && !started_; ++attempt) {
      ports_.clear();
      for (size_t i = 0; i < ptys.size(); ++i) ports_.push_back(FreeLoopbackPort());
      WriteConfig(ptys);
      Spawn(program);
      started_ = pid_ > 0 && WaitUntilListening(std::chrono::seconds(5));
      if (!started_) Stop();
    }
  }
  ~Ser2net() {
    Stop();
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  bool Started() const { return started_; }
  uint16_t TcpPort(size_t i) const { return ports_.at(i); }
  // The port name intercom-cli takes for the i-th pty.
  std::string Url(size_t i) const {
    return std::string(mode_ == SerialServerMode::Rfc2217 ? "rfc2217" : "socket") +
           "://127.0.0.1:" + std::to_string(TcpPort(i));
  }
  // What ser2net logged, for failure messages.
  std::string Log() const {
    std::ifstream in(dir_ / "ser2net.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // SIGTERM, then SIGKILL after 2 s; every connection ends with it.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
  }

 private:
  void WriteConfig(const std::vector<std::string>& ptys) const {
    std::ofstream config(dir_ / "ser2net.yaml");
    for (size_t i = 0; i < ptys.size(); ++i) {
      config << "connection: &device" << i << "\n"
             << "  accepter: "
             << (mode_ == SerialServerMode::Rfc2217 ? "telnet(rfc2217),tcp" : "tcp")
             << ",127.0.0.1," << ports_[i] << "\n"
             << "  connector: serialdev," << ptys[i] << ",38400n81,local\n";
    }
  }

  void Spawn(const std::string& program) {
    const std::string config = (dir_ / "ser2net.yaml").string();
    const std::string pidFile = (dir_ / "ser2net.pid").string();
    const std::string log = (dir_ / "ser2net.log").string();
    std::vector<std::string> args{program, "-n", "-d", "-u", "-P", pidFile, "-c", config};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }

  // Connecting to find out would open the device behind the port, so the
  // listening sockets are looked up in /proc and must be ser2net's own.
  bool WaitUntilListening(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
      if (waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;
        return false;
      }
      if (Log().find("Unable to startup network port") != std::string::npos) return false;
      const std::vector<std::string> owned = OwnedSockets();
      bool all = true;
      for (uint16_t port : ports_) all = all && ListeningInodeOwned(port, owned);
      if (all) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::vector<std::string> OwnedSockets() const {
    std::vector<std::string> inodes;
    std::error_code error;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid_) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
      const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
      if (!error && target.starts_with("socket:[")) {
        inodes.push_back(target.substr(8, target.size() - 9));
      }
    }
    return inodes;
  }

  // /proc/net/tcp rows: slot, local address (hex IP:port), remote, state (0A
  // listening), ..., the socket's inode in the tenth column.
  static bool ListeningInodeOwned(uint16_t port, const std::vector<std::string>& owned) {
    char local[32];
    snprintf(local, sizeof local, "0100007F:%04X", port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
      std::istringstream fields(line);
      std::string slot, address, remote, state, queues, timer, retransmits, uid, timeout, inode;
      fields >> slot >> address >> remote >> state >> queues >> timer >> retransmits >> uid >>
          timeout >> inode;
      if (address != local || state != "0A") continue;
      for (const std::string& mine : owned) {
        if (mine == inode) return true;
      }
    }
    return false;
  }

  SerialServerMode mode_;
  std::filesystem::path dir_;
  std::vector<uint16_t> ports_;
  pid_t pid_ = -1;
  bool started_ = false;
};

}  // namespace intercom::testing
