#include "serial/guarded_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "serial/termination_signals.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("settings_file_" + std::to_string(getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "COM.ini").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  void Write(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
  std::string Read() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  // Everything in the folder besides COM.ini: left-over temporary files.
  int Strays() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) count += entry.path() != path;
    return count;
  }

  fs::path dir;
  std::string path;
};

TEST_F(SettingsFileTest, ReadsARegularFileUpToTheLimit) {
  std::string content;
  EXPECT_EQ(ReadSettingsFile(path, 64, content), kFileMissing);
  Write("/dev/ttyUSB0\r\n");
  EXPECT_EQ(ReadSettingsFile(path, 64, content), 0);
  EXPECT_EQ(content, "/dev/ttyUSB0\r\n");
  Write(std::string(100000, 'x'));
  EXPECT_EQ(ReadSettingsFile(path, kSettingsFileReadLimit, content), 0);
  EXPECT_EQ(content.size(), kSettingsFileReadLimit);
}

TEST_F(SettingsFileTest, RefusesWhatIsNotARegularFileWithoutBlocking) {
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::string content = "stale";
  const auto start = Clock::now();
  EXPECT_EQ(ReadSettingsFile(path, 64, content), EACCES) << "a FIFO with no writer";
  EXPECT_TRUE(content.empty());
  fs::remove(path);

  fs::create_symlink("/dev/zero", path);
  EXPECT_EQ(ReadSettingsFile(path, 64, content), EACCES) << "an endless device";
  fs::remove(path);

  fs::create_directory(path);
  EXPECT_EQ(ReadSettingsFile(path, 64, content), EACCES);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

  EXPECT_EQ(FileIoCode(EACCES), 5) << "shown as \"File access denied\"";
}

TEST_F(SettingsFileTest, ReplacementIsWholeAndKeepsModeAndLinks) {
  Write("old\r\nsecond line\r\n");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(ReplaceSettingsFile(path, "new\r\n"), 0);
  EXPECT_EQ(Read(), "new\r\n");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Strays(), 0);

  // A COM.ini linked to a shared file stays a link; the shared file changes.
  const fs::path shared = dir / "shared.ini";
  std::ofstream(shared) << "x\r\n";
  fs::remove(path);
  fs::create_symlink(shared, path);
  EXPECT_EQ(ReplaceSettingsFile(path, "linked\r\n"), 0);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(Read(), "linked\r\n");

  // A link whose target is not there yet (through a second, relative link):
  // the target is created and both links stay links.
  fs::remove(path);
  fs::remove(shared);
  fs::create_symlink("middle.ini", path);
  fs::create_symlink("shared.ini", dir / "middle.ini");
  EXPECT_EQ(ReplaceSettingsFile(path, "made\r\n"), 0);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_TRUE(fs::is_symlink(dir / "middle.ini"));
  EXPECT_EQ(Read(), "made\r\n");
  fs::remove(dir / "middle.ini");

  fs::remove(path);
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(ReplaceSettingsFile(path, "x\r\n"), EACCES) << "a FIFO is never opened for writing";
}

TEST_F(SettingsFileTest, AFileSizeLimitLeavesTheOldFileWhole) {
  Write("/dev/ttyS0\r\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    IgnoreFileSizeSignal();
    const rlimit none{0, 0};
    setrlimit(RLIMIT_FSIZE, &none);
    _exit(ReplaceSettingsFile(path, "/dev/ttyUSB0\r\n"));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), EFBIG);
  EXPECT_EQ(Read(), "/dev/ttyS0\r\n");
  EXPECT_EQ(Strays(), 0);
}

TEST_F(SettingsFileTest, FailuresAreTheSystemCodes) {
  EXPECT_EQ(ReplaceSettingsFile((dir / "missing" / "COM.ini").string(), "x"), ENOENT);
  EXPECT_EQ(ReplaceSettingsFile(std::string("CO\0M.ini", 8), "x"), EINVAL);
  std::string content;
  EXPECT_EQ(ReadSettingsFile(std::string(5000, 'a'), 64, content), ENAMETOOLONG);
  fs::create_directory(path);
  EXPECT_EQ(ReplaceSettingsFile(path, "x"), EISDIR);
}

TEST_F(SettingsFileTest, AppendingAddsBytesAsTheyAreAndRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(AppendToFile(path, "a\n"), 0);
  ASSERT_EQ(AppendToFile(path, "b\r\n"), 0);
  EXPECT_EQ(Read(), "a\nb\r\n");
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(AppendToFile(fifo, "x"), EACCES) << "without blocking on the open";
  EXPECT_EQ(AppendToFile((dir / "missing" / "report.csv").string(), "x"), ENOENT);
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
  EXPECT_EQ(FileIoCode(EFBIG), 0);
}

}  // namespace
}  // namespace intercom
