#include "workflow/port_choice.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "panel/handler_failure.h"
#include "serial/process_signals.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;

class PortChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("port_choice_" + std::to_string(getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "COM.ini").string();
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
  }
  void WriteFile(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
  std::string ReadFile() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  fs::path dir;
  std::string path;
  SessionState state;
};

TEST_F(PortChoiceTest, MissingFileIsCreatedWithTheFirstListedPort) {
  LoadPortChoice(state, {"COM3", "COM1"}, path);
  EXPECT_EQ(state.PortName, "COM3");
  EXPECT_EQ(ReadFile(), "COM3\r\n");
}

TEST_F(PortChoiceTest, MissingFileAndNoPortsGiveAnEmptyLine) {
  LoadPortChoice(state, {}, path);
  EXPECT_EQ(state.PortName, "");
  EXPECT_EQ(ReadFile(), "\r\n");
  LoadPortChoice(state, {"COM1"}, path);
  EXPECT_EQ(state.PortName, "");
}

TEST_F(PortChoiceTest, OnlyTheFirstLineCountsExactlyAsItStands) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"COM2\r\nCOM5\r\nmore", "COM2"},
      {"/dev/ttyUSB1\n", "/dev/ttyUSB1"},
      {" /dev/ttyS0 \r\n", " /dev/ttyS0 "},
      {"no line break", "no line break"},
      {"", ""},
      {"\r\n", ""},
  };
  for (const auto& [content, expected] : cases) {
    WriteFile(content);
    state.PortName = "untouched";
    LoadPortChoice(state, {"COM1"}, path);
    EXPECT_EQ(state.PortName, expected);
    EXPECT_EQ(ReadFile(), content) << "an existing file is never rewritten";
  }
}

TEST_F(PortChoiceTest, SaveWritesTheWholeFileAnew) {
  WriteFile("old name that is longer\r\nsecond line\r\n");
  state.PortName = "/dev/ttyACM0";
  SavePortChoice(state, path);
  EXPECT_EQ(ReadFile(), "/dev/ttyACM0\r\n");
  state.PortName = "";
  SavePortChoice(state, path);
  EXPECT_EQ(ReadFile(), "\r\n");
}

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

TEST_F(PortChoiceTest, OnlyTheFirst64KiBAreRead) {
  WriteFile(std::string(70000, 'p') + "\r\n");
  LoadPortChoice(state, {}, path);
  EXPECT_EQ(state.PortName, std::string(64 * 1024, 'p'));
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
}  // namespace intercom
