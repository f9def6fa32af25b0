#include "workflow/port_choice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "panel/handler_failure.h"

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
  EXPECT_THROW(SavePortChoice(state, path), FileIoFailure);
  try {
    LoadPortChoice(state, {}, path);
    FAIL() << "a directory read as COM.ini must fail";
  } catch (const FileIoFailure& failure) {
    EXPECT_EQ(failure.Code(), EISDIR);
    EXPECT_EQ(std::string(failure.what()), "I/O error " + std::to_string(EISDIR));
  }
}

TEST_F(PortChoiceTest, ReadErrorOutsideTheTableKeepsItsOwnNumber) {
  fs::create_directories(dir / "COM.ini");
  try {
    LoadPortChoice(state, {}, path);
    FAIL() << "no failure";
  } catch (const FileIoFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), "I/O error " + std::to_string(EISDIR));
  }
}

TEST_F(PortChoiceTest, FullDiskIsReportedAsDiskFull) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  state.PortName = "COM1";
  try {
    SavePortChoice(state, "/dev/full");
    FAIL() << "no failure";
  } catch (const FileIoFailure& failure) {
    EXPECT_EQ(failure.Code(), 101);
    EXPECT_STREQ(failure.what(), "Disk full");
  }
}

TEST(FileIoCode, MapsErrnoByMeaning) {
  EXPECT_EQ(FileIoCode(ENOENT), 2);
  EXPECT_EQ(FileIoCode(ENAMETOOLONG), 3);
  EXPECT_EQ(FileIoCode(EINVAL), 3);
  EXPECT_EQ(FileIoCode(EMFILE), 4);
  EXPECT_EQ(FileIoCode(ENFILE), 4);
  EXPECT_EQ(FileIoCode(EACCES), 5);
  EXPECT_EQ(FileIoCode(EPERM), 5);
  EXPECT_EQ(FileIoCode(EROFS), 5);
  EXPECT_EQ(FileIoCode(ENOSPC), 101);
  EXPECT_EQ(FileIoCode(EIO), 0);
  EXPECT_EQ(FileIoFailure::MessageFor(7), "I/O error 7");
}

}  // namespace
}  // namespace intercom
