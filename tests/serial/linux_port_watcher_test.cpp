// The port watcher on Linux: a folder of links watched, the sysfs list, and
// the machine's own device events.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serial/port_enumeration.h"
#include "serial/port_watcher.h"
#include "serial/udev_port_watcher.h"
#include "tests/support/temp_dir.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using Type = PortEvent::Type;

WatchedPort Linked(const std::string& path) {
  return {path, path, ""};
}

class FolderWatch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::MakeTempDir("port-watcher");
    ASSERT_FALSE(dir_.empty());
    pty_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(pty_, 0);
    ASSERT_EQ(grantpt(pty_), 0);
    ASSERT_EQ(unlockpt(pty_), 0);
    ptsName_ = ptsname(pty_);
  }
  void TearDown() override {
    if (pty_ >= 0) close(pty_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string Link(const std::string& name) {
    const fs::path link = dir_ / name;
    fs::create_symlink(ptsName_, link);
    return link.string();
  }

  // Calls Next until it reports something or two seconds pass.
  static std::vector<PortEvent> NextChange(PortWatcher& watcher) {
    for (int round = 0; round < 40; ++round) {
      if (auto events = watcher.Next(50); !events.empty()) return events;
    }
    return {};
  }

  fs::path dir_;
  int pty_ = -1;
  std::string ptsName_;
};

TEST_F(FolderWatch, ReportsTheLinksThereThenEachNewAndRemovedOne) {
  const std::string first = Link("site-a");
  std::ofstream(dir_ / "plain-file") << "x";
  auto watcher = FolderPortWatcher(dir_.string());
  EXPECT_EQ(watcher->Next(50),
            (std::vector<PortEvent>{{Type::Added, Linked((dir_ / "plain-file").string())},
                                    {Type::Added, Linked(first)}}));

  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(watcher->Next(50).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));

  const std::string second = Link("site-b");
  EXPECT_EQ(NextChange(*watcher), (std::vector<PortEvent>{{Type::Added, Linked(second)}}));

  fs::remove(first);
  EXPECT_EQ(NextChange(*watcher), (std::vector<PortEvent>{{Type::Removed, Linked(first)}}));
}

TEST_F(FolderWatch, AMissingFolderHasNoPortsUntilItAppears) {
  const fs::path later = dir_ / "by-path";
  auto watcher = FolderPortWatcher(later.string());
  EXPECT_TRUE(watcher->Next(50).empty());
  fs::create_directory(later);
  fs::create_symlink(ptsName_, later / "usb-0:1");
  EXPECT_EQ(NextChange(*watcher),
            (std::vector<PortEvent>{{Type::Added, Linked((later / "usb-0:1").string())}}));
}

TEST(SysfsWatchedPorts, CarryTheirByPathAndByIdLinks) {
  const fs::path root = testing::MakeTempDir("sysfs-watch");
  ASSERT_FALSE(root.empty());
  fs::create_directories(root / "tty" / "ttyUSB0");
  fs::create_directories(root / "devices" / "ttyUSB0");
  fs::create_directory_symlink(root / "devices" / "ttyUSB0", root / "tty" / "ttyUSB0" / "device");
  fs::create_directories(root / "tty" / "tty1");
  fs::create_directories(root / "by-path");
  fs::create_directories(root / "by-id");
  fs::create_symlink("../../ttyUSB0", root / "by-path" / "pci-0:1.0-usb-0:2:1.0-port0");
  fs::create_symlink("../../ttyUSB0", root / "by-id" / "usb-Maker_Cable_42-if00-port0");

  EXPECT_EQ(ListSysfsWatchedPorts((root / "tty").string(), "/dev", (root / "by-path").string(),
                                  (root / "by-id").string()),
            (std::vector<WatchedPort>{
                {"/dev/ttyUSB0", (root / "by-path" / "pci-0:1.0-usb-0:2:1.0-port0").string(),
                 (root / "by-id" / "usb-Maker_Cable_42-if00-port0").string()}}));
  fs::remove_all(root);
}

// The event of a real tty, through udev where its daemon runs and straight
// from the kernel where it does not (a container).
TEST(MachineEvents, TheMonitorSeesATtyAnnouncedAgain) {
  if (geteuid() != 0) GTEST_SKIP() << "asking the kernel to announce a tty needs root";
  const std::vector<std::string> ports = ListSerialPorts();
  const std::string tty = ports.empty() ? "tty" : fs::path(ports.front()).filename().string();
  const std::string uevent = "/sys/class/tty/" + tty + "/uevent";
  if (access(uevent.c_str(), W_OK) != 0) GTEST_SKIP() << uevent << " is not writable";
  EXPECT_TRUE(UdevSeesTtyEvent(tty, 2000)) << "no event for " << tty;
}

}  // namespace
}  // namespace intercom
