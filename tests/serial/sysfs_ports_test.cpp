// The port list, read from a fake sysfs class directory.
#include "serial/sysfs_ports.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace intercom {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A temporary stand-in for /sys/class/tty.
class FakeSysfs {
 public:
  FakeSysfs() {
    std::string pattern = testing::TempDir() + "port_list_test.XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    fs::create_directories(Devices());
    fs::create_directories(Tty());
  }
  ~FakeSysfs() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  std::string TtyDir() const { return Tty().string(); }

  // An entry without hardware behind it.
  void AddVirtual(const std::string& name) { fs::create_directories(Tty() / name); }

  // An entry whose `device` is a symlink into the device tree, as sysfs has it.
  void AddLinked(const std::string& name) {
    fs::create_directories(Tty() / name);
    fs::create_directories(Devices() / name);
    fs::create_directory_symlink(Devices() / name, Tty() / name / "device");
  }

  // An entry whose `device` is a plain directory.
  void AddWithDeviceDir(const std::string& name) {
    fs::create_directories(Tty() / name / "device");
  }

  void SetType(const std::string& name, const std::string& type) {
    std::ofstream(Tty() / name / "type") << type;
  }

 private:
  fs::path Tty() const { return root_ / "class" / "tty"; }
  fs::path Devices() const { return root_ / "devices"; }

  fs::path root_;
};

TEST(PortList, ListsEntriesWithADeviceInNaturalOrder) {
  FakeSysfs sysfs;
  for (const char* name : {"tty0", "tty1", "tty63", "console", "ptmx", "tty"}) {
    sysfs.AddVirtual(name);
  }
  sysfs.AddLinked("ttyUSB0");
  sysfs.AddLinked("ttyS10");
  sysfs.SetType("ttyS10", "4\n");
  sysfs.AddWithDeviceDir("ttyS2");
  sysfs.SetType("ttyS2", "4\n");
  sysfs.AddLinked("ttyS0");
  sysfs.SetType("ttyS0", "4\n");
  sysfs.AddLinked("ttyS1");
  sysfs.SetType("ttyS1", "16\n");
  sysfs.AddWithDeviceDir("ttyACM0");
  sysfs.AddLinked("ttyUSB10");
  sysfs.AddLinked("ttyUSB9");

  EXPECT_EQ(ListSysfsPorts(sysfs.TtyDir()),
            (Names{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10",
                   "/dev/ttyUSB0", "/dev/ttyUSB9", "/dev/ttyUSB10"}));
}

TEST(PortList, LeavesOutUartsWithoutHardware) {
  FakeSysfs sysfs;
  for (int i = 0; i < 4; ++i) {
    const std::string name = "ttyS" + std::to_string(i);
    sysfs.AddLinked(name);
    sysfs.SetType(name, i == 1 ? "4\n" : "0\n");
  }
  sysfs.AddLinked("ttyS7");  // no type attribute: kept
  sysfs.AddLinked("ttyUSB0");
  sysfs.SetType("ttyUSB0", "0\n");  // only ttyS lines are placeholders

  EXPECT_EQ(ListSysfsPorts(sysfs.TtyDir()), (Names{"/dev/ttyS1", "/dev/ttyS7", "/dev/ttyUSB0"}));
}

TEST(PortList, PathsAreInTheGivenDeviceDirectory) {
  FakeSysfs sysfs;
  sysfs.AddLinked("ttyUSB0");
  EXPECT_EQ(ListSysfsPorts(sysfs.TtyDir(), "/tmp/devices"), Names{"/tmp/devices/ttyUSB0"});
}

TEST(PortList, MissingClassDirectoryGivesNoPorts) {
  FakeSysfs sysfs;
  EXPECT_TRUE(ListSysfsPorts(sysfs.TtyDir() + "/absent").empty());
}

TEST(PortList, EntryNameWithControlCharactersFails) {
  FakeSysfs sysfs;
  sysfs.AddLinked("ttyUSB0");
  const std::string bad = "ttyUSB\x01";
  sysfs.AddLinked(bad);
  try {
    ListSysfsPorts(sysfs.TtyDir());
    FAIL() << "no PortEnumerationError";
  } catch (const PortEnumerationError& error) {
    EXPECT_EQ(error.EntryName(), bad);
  }
}

}  // namespace
}  // namespace intercom
