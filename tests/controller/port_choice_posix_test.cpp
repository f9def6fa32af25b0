// COM.ini failures as POSIX reports them.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "controller/port_choice.h"
#include "panel/handler_failure.h"
#include "serial/termination_signals.h"
#include "tests/controller/port_choice_fixture.h"

namespace intercom::testing {
namespace {

namespace fs = std::filesystem;

TEST_F(PortChoiceTest, UnwritableDirectoryIsFileAccessDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  try {
    LoadPortChoice(state, {"COM1"}, path);
    FAIL() << "no failure";
  } catch (const FileIoFailure& failure) {
    EXPECT_EQ(failure.Code(), 5);
    EXPECT_STREQ(failure.what(), "File access denied");
  }
}

TEST_F(PortChoiceTest, FailuresMapOntoTheMessageTable) {
  state.PortName = "x";
  try {
    SavePortChoice(state, (dir / "missing" / "COM.ini").string());
    FAIL() << "no failure";
  } catch (const FileIoFailure& failure) {
    EXPECT_STREQ(failure.what(), "File not found");
  }
  fs::create_directories(dir / "COM.ini");
  try {
    SavePortChoice(state, path);
    FAIL() << "a directory cannot be replaced by COM.ini";
  } catch (const FileIoFailure& failure) {
    EXPECT_EQ(failure.Code(), EISDIR);
    EXPECT_EQ(std::string(failure.what()), "I/O error " + std::to_string(EISDIR));
  }
}

TEST_F(PortChoiceTest, NotARegularFileIsFileAccessDeniedAndNeverBlocks) {
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const auto refused = [&](const char* what) {
    state.PortName = "untouched";
    try {
      LoadPortChoice(state, {"COM1"}, path);
      ADD_FAILURE() << what << " was read";
    } catch (const FileIoFailure& failure) {
      EXPECT_EQ(failure.Code(), 5) << what;
      EXPECT_STREQ(failure.what(), "File access denied") << what;
    }
    EXPECT_EQ(state.PortName, "untouched") << what;
  };
  refused("a FIFO");
  fs::remove(path);
  fs::create_symlink("/dev/zero", path);
  refused("a link to /dev/zero");
  EXPECT_TRUE(fs::is_symlink(path)) << "a refused COM.ini is not replaced";
  fs::remove(path);
  fs::create_directories(path);
  refused("a directory");
}

TEST_F(PortChoiceTest, SavingPastTheFileSizeLimitKeepsTheOldFile) {
  WriteFile("/dev/ttyS0\r\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // As the program's entry does.
    IgnoreFileSizeSignal();
    const rlimit none{0, 0};
    setrlimit(RLIMIT_FSIZE, &none);
    state.PortName = "/dev/ttyUSB0";
    try {
      SavePortChoice(state, path);
    } catch (const FileIoFailure& failure) {
      _exit(std::string(failure.what()) == "I/O error 27" ? 0 : 1);
    }
    _exit(2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: another message, 2: no failure";
  EXPECT_EQ(ReadFile(), "/dev/ttyS0\r\n");
}

}  // namespace
}  // namespace intercom::testing
