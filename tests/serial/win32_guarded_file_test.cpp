// The settings file's operations on Windows: binary, whole, and never on a device.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "serial/guarded_file.h"
#include "tests/support/temp_dir.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;

class Win32SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testing::MakeTempDir("settings-file");
    ASSERT_FALSE(dir.empty());
    path = (dir / "COM.ini").string();
  }
  void TearDown() override {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  void Write(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
  std::string Read() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  int Strays() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) count += entry.path() != fs::path(path);
    return count;
  }

  fs::path dir;
  std::string path;
};

TEST_F(Win32SettingsFileTest, LineEndsAreStoredAndReadExactly) {
  ASSERT_EQ(ReplaceSettingsFile(path, "COM3\r\n"), 0);
  EXPECT_EQ(Read(), "COM3\r\n") << "no CR CR LF from a text-mode write";
  Write("COM2\nCOM4\r\n");
  std::string content;
  ASSERT_EQ(ReadSettingsFile(path, 64, content), 0);
  EXPECT_EQ(content, "COM2\nCOM4\r\n") << "no LF turned into CR LF, or CR LF into LF";
  EXPECT_EQ(Strays(), 0);
}

TEST_F(Win32SettingsFileTest, ReadsUpToTheLimit) {
  std::string content = "stale";
  EXPECT_EQ(ReadSettingsFile(path, 64, content), kFileMissing);
  EXPECT_TRUE(content.empty());
  Write(std::string(100000, 'x'));
  ASSERT_EQ(ReadSettingsFile(path, kSettingsFileReadLimit, content), 0);
  EXPECT_EQ(content.size(), kSettingsFileReadLimit);
}

TEST_F(Win32SettingsFileTest, ReplacementIsWholeOrNothing) {
  Write("COM1\r\nsecond line\r\n");
  ASSERT_EQ(ReplaceSettingsFile(path, "COM7\r\n"), 0);
  EXPECT_EQ(Read(), "COM7\r\n");

  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ReplaceSettingsFile(path, "COM8\r\n"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Read(), "COM7\r\n");
  EXPECT_EQ(Strays(), 0);
}

TEST_F(Win32SettingsFileTest, DevicesAndFoldersAreRefusedUnread) {
  std::string content;
  // The Wine runner's COM5 is a simulated device: nothing is read from it.
  const char* device = std::getenv("INTERCOM_TEST_PORT");
  if (device != nullptr) {
    EXPECT_EQ(ReadSettingsFile(device, 64, content), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(content.empty());
  }
  EXPECT_EQ(ReadSettingsFile("NUL", 64, content), ERROR_ACCESS_DENIED);
  fs::create_directory(path);
  EXPECT_EQ(ReadSettingsFile(path, 64, content), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReplaceSettingsFile(path, "x"), ERROR_ACCESS_DENIED);
}

TEST_F(Win32SettingsFileTest, AppendingAddsBytesAsTheyAreAndRefusesDevices) {
  ASSERT_EQ(AppendToFile(path, "a\n"), 0);
  ASSERT_EQ(AppendToFile(path, "b\r\n"), 0);
  EXPECT_EQ(Read(), "a\nb\r\n");
  EXPECT_EQ(AppendToFile("NUL", "x"), ERROR_ACCESS_DENIED);
  fs::remove(path);
  fs::create_directory(path);
  EXPECT_EQ(AppendToFile(path, "x"), ERROR_ACCESS_DENIED);
}

TEST_F(Win32SettingsFileTest, FailuresAreTheSystemCodes) {
  EXPECT_EQ(ReplaceSettingsFile((dir / "missing" / "COM.ini").string(), "x"), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ReplaceSettingsFile(std::string("CO\0M.ini", 8), "x"), ERROR_INVALID_NAME);
  std::string content;
  EXPECT_EQ(ReadSettingsFile((dir / "missing" / "COM.ini").string(), 64, content),
            ERROR_PATH_NOT_FOUND);
}

TEST(Win32FileIoCode, MapsTheSystemCodesOntoTheMessageTable) {
  EXPECT_EQ(FileIoCode(ERROR_FILE_NOT_FOUND), 2);
  EXPECT_EQ(FileIoCode(ERROR_PATH_NOT_FOUND), 3);
  EXPECT_EQ(FileIoCode(ERROR_INVALID_NAME), 3);
  EXPECT_EQ(FileIoCode(ERROR_TOO_MANY_OPEN_FILES), 4);
  EXPECT_EQ(FileIoCode(ERROR_ACCESS_DENIED), 5);
  EXPECT_EQ(FileIoCode(ERROR_WRITE_PROTECT), 5);
  EXPECT_EQ(FileIoCode(ERROR_SHARING_VIOLATION), 5);
  EXPECT_EQ(FileIoCode(ERROR_DISK_FULL), 101);
  EXPECT_EQ(FileIoCode(ERROR_HANDLE_DISK_FULL), 101);
  EXPECT_EQ(FileIoCode(ERROR_GEN_FAILURE), 0) << "\"I/O error 31\"";
}

}  // namespace
}  // namespace intercom
