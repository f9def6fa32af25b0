// A program run as a child process with its stdout and stderr captured, for
// end-to-end tests of the command-line programs.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace intercom::testing {

struct Finished {
  int exitCode = -1;  // -1 when it did not end in time (it was killed)
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts `args[0]` with `args` in the folder `cwd` (empty: this one).
  ChildProcess(std::vector<std::string> args, const std::string& cwd = {}) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int signal) {
    if (pid_ > 0) kill(pid_, signal);
  }

  // The next line of stdout, without its LF; nullopt when none came in time.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
      const size_t end = outText_.find('\n', outTaken_);
      if (end != std::string::npos) {
        std::string line = outText_.substr(outTaken_, end - outTaken_);
        outTaken_ = end + 1;
        return line;
      }
      if (!Pump(deadline)) return std::nullopt;
    }
  }

  // True once stderr holds `text`; false when it did not come in time.
  bool WaitForErr(const std::string& text, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (errText_.find(text) == std::string::npos) {
      if (!Pump(deadline)) return errText_.find(text) != std::string::npos;
    }
    return true;
  }

  // Waits for the end, collecting the output; kills the child after `limit`.
  Finished Wait(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Pump(deadline)) {
    }
    Finished result;
    int status = 0;
    if (pid_ > 0) {
      // Both pipes at their end: the child is exiting, so waiting is short.
      // Otherwise the time is up and it is killed.
      const bool ended = out_ < 0 && err_ < 0;
      if (!ended) kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      if (ended && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
      pid_ = -1;
    }
    result.out = outText_.substr(outTaken_);
    result.err = errText_;
    return result;
  }

  // Everything on stderr so far.
  const std::string& Err() const { return errText_; }

 private:
  // Reads what is there until `deadline`; false once both pipes are at their end
  // or the time is up.
  bool Pump(Clock::time_point deadline) {
    if (out_ < 0 && err_ < 0) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) return false;
    Drain(fds[0], out_, outText_);
    Drain(fds[1], err_, errText_);
    return true;
  }
  static void Drain(const pollfd& fd, int& handle, std::string& text) {
    if (handle < 0 || fd.revents == 0) return;
    char buffer[4096];
    const ssize_t n = read(handle, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
    } else {
      close(handle);
      handle = -1;
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string outText_;
  size_t outTaken_ = 0;
  std::string errText_;
};

}  // namespace intercom::testing
