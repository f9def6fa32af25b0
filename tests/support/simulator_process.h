// A running intercom-sim child process, for end-to-end tests on a real pty.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace intercom::testing {

// The simulator program the build made, or empty when the test runs outside CTest.
inline std::string SimulatorProgram() {
  const char* program = std::getenv("INTERCOM_SIM");
  return program == nullptr ? std::string() : std::string(program);
}

// A running simulator. The constructor returns once it has printed its port;
// the destructor stops it with SIGTERM and reaps it.
class Simulator {
 public:
  using Clock = std::chrono::steady_clock;

  Simulator(const std::string& program, const std::vector<std::string>& options) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> args{program, "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    stdout_ = out[0];
    if (pid_ > 0) path_ = ReadFirstLine(std::chrono::seconds(5));
  }
  ~Simulator() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    if (stdout_ >= 0) close(stdout_);
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Empty when the simulator did not start.
  const std::string& PortPath() const { return path_; }

 private:
  std::string ReadFirstLine(std::chrono::milliseconds limit) {
    std::string line;
    const auto deadline = Clock::now() + limit;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd fd{stdout_, POLLIN, 0};
      if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) return {};
      char c = 0;
      if (read(stdout_, &c, 1) != 1) return {};
      if (c == '\n') return line;
      line += c;
    }
  }

  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string path_;
};

}  // namespace intercom::testing
