// intercom-cli meeting signals, end to end: the program itself against
// intercom-sim on a pty. A stop request ends the command between two
// exchanges with 128 + the signal; a second one ends it at once; either way
// every port it holds is given back. The lock files are the system's
// (/var/lock), where intercom-cli keeps them: the tests only look at them.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "serial/posix_serial_port.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Simulator;
using Clock = std::chrono::steady_clock;

// The splitter's SetLevel: one request per level that differs.
constexpr int kSetLevel = 6;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The command bytes of the requests the simulator logged (--log-requests):
// a timestamp, then the request's bytes in hex.
std::vector<int> LoggedCommands(const fs::path& log) {
  std::vector<int> commands;
  std::istringstream lines(ReadFile(log));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 5 && fields >> field; ++i) {
      if (i == 4) commands.push_back(std::stoi(field, nullptr, 16));
    }
  }
  return commands;
}

// Polls until `done` holds or `limit` passes; the programs under test keep
// their own time.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// True while `signal` waits to be delivered to `pid`, its handler not yet called.
bool Pending(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  const unsigned long long bit = 1ull << (signal - 1);
  std::string line;
  while (std::getline(status, line)) {
    if ((line.starts_with("SigPnd:") || line.starts_with("ShdPnd:")) &&
        (std::stoull(line.substr(7), nullptr, 16) & bit) != 0) {
      return true;
    }
  }
  return false;
}

// intercom-cli as a child process, its stderr in a file; its stdout in a
// file too, or into a pipe whose reader is gone.
class CliProcess {
 public:
  enum class Output { File, ClosedPipe };

  CliProcess(const fs::path& dir, std::vector<std::string> args, Output output = Output::File)
      : err_(dir / "stderr.txt") {
    args.insert(args.begin(), INTERCOM_CLI_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = (dir / "stdout.txt").string();
    int pipeEnds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    if (output == Output::File) {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    } else if (pipe2(pipeEnds, O_CLOEXEC) == 0) {
      close(pipeEnds[0]);
      posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[1] >= 0) close(pipeEnds[1]);
    out_ = out;
  }
  ~CliProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // The wait status once it has ended, or nullopt when it did not end within
  // `limit` (it is killed then).
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit);
    if (!ended) return std::nullopt;
    pid_ = -1;
    return status;
  }
  // The exit code, or -1 when it did not exit by itself within `limit`.
  int ExitCode(std::chrono::milliseconds limit) {
    const std::optional<int> status = Wait(limit);
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  }

  std::string Out() const { return ReadFile(out_); }
  std::string Err() const { return ReadFile(err_); }

 private:
  fs::path out_;
  fs::path err_;
  pid_t pid_ = -1;
};

class CliSignals : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string simulator = testing::SimulatorProgram();
    if (simulator.empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
    dir_ = testing::MakeTempDir("cli_signals");
    ASSERT_FALSE(dir_.empty());
    device_.emplace(simulator, std::vector<std::string>{"--kind", "splitter", "--link", Port(),
                                                        "--log-requests", Requests().string()});
    ASSERT_FALSE(device_->PortPath().empty()) << "intercom-sim printed no port";
    std::string name = device_->PortPath().substr(5);  // after "/dev/"
    std::replace(name.begin(), name.end(), '/', '_');
    lockFile_ = fs::path(PosixSerialPort::kSystemLockFolder) / ("LCK.." + name);
    // Without a writable lock folder intercom-cli goes on without a lock file.
    locking_ = access(PosixSerialPort::kSystemLockFolder, W_OK) == 0;
  }
  void TearDown() override {
    device_.reset();
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  std::string Port() const { return (dir_ / "port").string(); }
  fs::path Requests() const { return dir_ / "requests.log"; }

  // A write of all four levels: one SetLevel each, 150 ms of pauses apart.
  std::unique_ptr<CliProcess> StartWrite() {
    return std::make_unique<CliProcess>(
        dir_,
        std::vector<std::string>{"write", "-p", Port(), "--no-backup", "--set", "input1=5", "--set",
                                 "input2=9", "--set", "input3=1", "--set", "input4=0"});
  }

  // Waits until the first SetLevel has reached the device: the command is
  // writing, at least 150 ms of pauses before its next request. The number
  // of requests so far; 0 when no SetLevel came.
  size_t WaitForTheFirstWrite() {
    size_t count = 0;
    WaitUntil(
        [&] {
          const std::vector<int> commands = LoggedCommands(Requests());
          if (std::find(commands.begin(), commands.end(), kSetLevel) == commands.end()) {
            return false;
          }
          count = commands.size();
          return true;
        },
        15s);
    return count;
  }

  // True when the port's lock file names `pid`, or when there can be none.
  bool LockedBy(pid_t pid) const {
    if (!locking_) return true;
    std::ifstream in(lockFile_);
    long holder = 0;
    return in >> holder && holder == pid;
  }

  fs::path dir_;
  std::optional<Simulator> device_;
  fs::path lockFile_;
  bool locking_ = false;
};

TEST_F(CliSignals, OneSigtermStopsBetweenExchangesExits143AndGivesThePortBack) {
  const auto cli = StartWrite();
  ASSERT_GT(cli->Pid(), 0);
  const size_t before = WaitForTheFirstWrite();
  ASSERT_GT(before, 0u) << "no SetLevel reached the device; stderr:\n" << cli->Err();
  EXPECT_TRUE(LockedBy(cli->Pid())) << "the port is held without its lock file";

  kill(cli->Pid(), SIGTERM);

  EXPECT_EQ(cli->ExitCode(10s), 143) << cli->Err();
  const std::string err = cli->Err();
  EXPECT_NE(err.find("interrupted: answered, not read back: input1"), std::string::npos) << err;
  EXPECT_NE(err.find("not written: "), std::string::npos) << err;
  EXPECT_NE(err.substr(err.find("not written: ")).find("input4"), std::string::npos) << err;
  // The exchange under way ends; none starts after it.
  EXPECT_LE(LoggedCommands(Requests()).size(), before + 1);
  EXPECT_FALSE(fs::exists(lockFile_));
  CliProcess next(dir_, {"detect", "-p", Port()});
  EXPECT_EQ(next.ExitCode(10s), 0) << next.Err();
  EXPECT_EQ(next.Out(), "splitter\n");
}

TEST_F(CliSignals, ASecondSigintEndsAtOnceWith130AndGivesTheTtyBackAsFound) {
  // Settings far from the raw byte stream intercom-cli makes of the tty.
  const int tty = open(device_->PortPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(tty, 0);
  termios preset{};
  ASSERT_EQ(tcgetattr(tty, &preset), 0);
  preset.c_lflag |= ICANON | ISIG | IEXTEN;
  preset.c_iflag |= ICRNL | IXON;
  preset.c_oflag |= OPOST;
  cfsetispeed(&preset, B9600);
  cfsetospeed(&preset, B9600);
  ASSERT_EQ(tcsetattr(tty, TCSANOW, &preset), 0);
  termios before{};
  ASSERT_EQ(tcgetattr(tty, &before), 0);

  const auto cli = StartWrite();
  ASSERT_GT(cli->Pid(), 0);
  ASSERT_GT(WaitForTheFirstWrite(), 0u) << "no SetLevel reached the device; stderr:\n"
                                        << cli->Err();
  EXPECT_TRUE(LockedBy(cli->Pid())) << "the port is held without its lock file";

  // Two SIGINTs sent at once would merge into one: the second goes once the
  // first has been taken.
  kill(cli->Pid(), SIGINT);
  EXPECT_TRUE(WaitUntil([&] { return !Pending(cli->Pid(), SIGINT); }, 5s));
  kill(cli->Pid(), SIGINT);

  const std::optional<int> status = cli->Wait(5s);
  ASSERT_TRUE(status) << "still running after the second SIGINT";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 130);
  // At once: not after the exchange under way, with the stop's report.
  EXPECT_EQ(cli->Err().find("interrupted"), std::string::npos) << cli->Err();
  EXPECT_FALSE(fs::exists(lockFile_));
  termios after{};
  ASSERT_EQ(tcgetattr(tty, &after), 0);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
  int exclusive = -1;
  EXPECT_EQ(ioctl(tty, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0) << "the tty is left in exclusive use";
  close(tty);
}

TEST_F(CliSignals, ASighupIgnoredByWhoeverStartedItIsNoStopRequest) {
  // As under nohup: the disposition is inherited through exec.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &ignore, &previous);
  const auto cli = StartWrite();
  sigaction(SIGHUP, &previous, nullptr);
  ASSERT_GT(cli->Pid(), 0);
  ASSERT_GT(WaitForTheFirstWrite(), 0u) << "no SetLevel reached the device; stderr:\n"
                                        << cli->Err();

  kill(cli->Pid(), SIGHUP);

  EXPECT_EQ(cli->ExitCode(20s), 0) << cli->Err();
  EXPECT_EQ(cli->Err().find("interrupted"), std::string::npos) << cli->Err();
  EXPECT_NE(cli->Out().find("written: input4=0"), std::string::npos) << cli->Out();
}

// A tty as the test found it and set it up, from a descriptor of its own
// opened before intercom-cli, so that its exclusive use can be looked at.
class WatchedTty {
 public:
  explicit WatchedTty(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios preset{};
    if (fd_ < 0 || tcgetattr(fd_, &preset) != 0) return;
    preset.c_lflag |= ICANON | ISIG | IEXTEN;
    preset.c_iflag |= ICRNL | IXON;
    cfsetispeed(&preset, B9600);
    cfsetospeed(&preset, B9600);
    if (tcsetattr(fd_, TCSANOW, &preset) == 0) tcgetattr(fd_, &before_);
  }
  ~WatchedTty() {
    if (fd_ >= 0) close(fd_);
  }
  WatchedTty(const WatchedTty&) = delete;
  WatchedTty& operator=(const WatchedTty&) = delete;

  bool Ready() const { return fd_ >= 0 && before_.c_lflag != 0; }
  bool Exclusive() const {
    int exclusive = -1;
    return ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive == 1;
  }
  // True when the settings are those the test set.
  bool AsFound() const {
    termios now{};
    return tcgetattr(fd_, &now) == 0 && now.c_iflag == before_.c_iflag &&
           now.c_lflag == before_.c_lflag && now.c_cflag == before_.c_cflag &&
           cfgetospeed(&now) == static_cast<speed_t>(B9600);
  }

 private:
  int fd_ = -1;
  termios before_{};
};

TEST_F(CliSignals, ASecondSigintGivesBackEveryPortOfAnApply) {
  std::ofstream(dir_ / "plan.csv") << "label,kind,volume1\nhub,switch,9\n";
  const std::string portB = (dir_ / "portB").string();
  const std::string portC = (dir_ / "portC").string();
  Simulator b(testing::SimulatorProgram(), {"--kind", "splitter", "--silent", "--link", portB});
  Simulator c(testing::SimulatorProgram(), {"--kind", "beltpack", "--silent", "--link", portC});
  ASSERT_FALSE(b.PortPath().empty() || c.PortPath().empty());
  const std::vector<std::string> paths{device_->PortPath(), b.PortPath(), c.PortPath()};
  std::vector<std::unique_ptr<WatchedTty>> ttys;
  for (const std::string& path : paths) {
    ttys.push_back(std::make_unique<WatchedTty>(path));
    ASSERT_TRUE(ttys.back()->Ready()) << path;
    ASSERT_FALSE(ttys.back()->Exclusive()) << path;
  }

  CliProcess cli(dir_, {"apply", "plan.csv", "--wait", "-p", Port(), "-p", portB, "-p", portC});
  ASSERT_GT(cli.Pid(), 0);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return std::all_of(ttys.begin(), ttys.end(),
                           [](const auto& tty) { return tty->Exclusive(); });
      },
      15s))
      << "not every port was opened; stderr:\n"
      << cli.Err();
  // Every port is held: on each, an exchange or the wait between two.
  kill(cli.Pid(), SIGINT);
  EXPECT_TRUE(WaitUntil([&] { return !Pending(cli.Pid(), SIGINT); }, 5s));
  kill(cli.Pid(), SIGINT);

  const std::optional<int> status = cli.Wait(5s);
  ASSERT_TRUE(status) << "still running after the second SIGINT";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 130) << cli.Err();
  for (size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    EXPECT_FALSE(ttys[i]->Exclusive()) << "the tty is left in exclusive use";
    EXPECT_TRUE(ttys[i]->AsFound()) << "the tty keeps the settings intercom-cli gave it";
    std::string name = paths[i].substr(5);
    std::replace(name.begin(), name.end(), '/', '_');
    EXPECT_FALSE(fs::exists(fs::path(PosixSerialPort::kSystemLockFolder) / ("LCK.." + name)));
  }
}

TEST_F(CliSignals, AStandardOutputNobodyReadsIsAnErrorNotADeath) {
  CliProcess cli(dir_, {"read", "-p", Port(), "--json"}, CliProcess::Output::ClosedPipe);
  ASSERT_GT(cli.Pid(), 0);
  const std::optional<int> status = cli.Wait(15s);
  ASSERT_TRUE(status);
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 1);
  EXPECT_NE(cli.Err().find("error: standard output could not be written\n"), std::string::npos)
      << cli.Err();
}

}  // namespace
}  // namespace intercom
