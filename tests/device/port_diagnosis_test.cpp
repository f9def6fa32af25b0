// The port doctor on prepared machines: a temporary folder holds sysfs,
// /proc, udev's records, the group file and the lock folder; the node is a
// pseudo-terminal of the test's own, a character device whose mode it may set.
#include "device/port_diagnosis.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "serial/lock_file.h"
#include "tests/support/temp_dir.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;

class PortDoctorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::MakeTempDir("intercom-doctor");
    ASSERT_FALSE(root_.empty());
    roots_.dev = Dir("dev");
    roots_.sysClassTty = Dir("sys/class/tty");
    roots_.sysUsbSerial = Dir("sys/bus/usb-serial/devices");
    roots_.sysUsbDevices = Dir("sys/bus/usb/devices");
    roots_.proc = Dir("proc");
    roots_.udevData = Dir("run/udev/data");
    roots_.lockFolder = Dir("lock");
    roots_.byIdDir = Dir("dev/serial/by-id");
    roots_.groupFile = (root_ / "group").string();
    // Someone else than the node's owner, whatever user runs the test.
    roots_.uid = getuid() == 4242 ? 4243 : 4242;
    roots_.userName = "alice";
    roots_.groups = std::vector<uint32_t>{4242};
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    node_ = ptsname(master_);
    name_ = fs::path(node_).filename().string();
    ASSERT_EQ(chmod(node_.c_str(), 0660), 0);
    struct stat info {};
    ASSERT_EQ(stat(node_.c_str(), &info), 0);
    nodeGroup_ = info.st_gid;
    udevRecord_ = roots_.udevData + "/c" + std::to_string(major(info.st_rdev)) + ":" +
                  std::to_string(minor(info.st_rdev));
  }
  void TearDown() override {
    if (master_ >= 0) close(master_);
    fs::remove_all(root_);
  }

  std::string Dir(const std::string& relative) {
    fs::create_directories(root_ / relative);
    return (root_ / relative).string();
  }
  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  void Program(int pid, const std::string& comm) {
    Write(fs::path(roots_.proc) / std::to_string(pid) / "comm", comm + "\n");
  }
  // The node as a USB adapter's tty with `driver`, as sysfs links them.
  void UsbTty(const std::string& vendor, const std::string& product, const std::string& driver) {
    const fs::path device = root_ / "sys/devices/usb1/1-1";
    Write(device / "idVendor", vendor + "\n");
    Write(device / "idProduct", product + "\n");
    Write(device / "product", "USB Serial\n");
    const fs::path tty = device / "1-1:1.0" / name_;
    fs::create_directories(tty);
    fs::create_directories(fs::path(roots_.sysClassTty) / name_);
    fs::create_directory_symlink(tty, fs::path(roots_.sysClassTty) / name_ / "device");
    fs::create_directory_symlink(root_ / "sys/bus/usb-serial/drivers" / driver, tty / "driver");
  }
  PortDiagnosis Diagnose() { return DiagnosePort(GatherPortFacts(node_, roots_)); }
  static const Finding* FindingOf(const PortDiagnosis& diagnosis, const std::string& check) {
    for (const Finding& finding : diagnosis.findings) {
      if (finding.check == check) return &finding;
    }
    return nullptr;
  }

  fs::path root_;
  FactRoots roots_;
  int master_ = -1;
  std::string node_;  // /dev/pts/N
  std::string name_;  // N, the tty's name in sysfs
  uint32_t nodeGroup_ = 0;
  std::string udevRecord_;
};

TEST_F(PortDoctorTest, AGroupTheLoginLacksIsJoinedOrTakenUpByLoggingInAgain) {
  Write(roots_.groupFile, "dialout:x:" + std::to_string(nodeGroup_) + ":bob\n");
  PortDiagnosis d = Diagnose();
  EXPECT_EQ(d.problem, PortProblem::JoinGroup);
  EXPECT_EQ(FindingOf(d, "access")->status, FindingStatus::Fail);
  EXPECT_EQ(FindingOf(d, "access")->remedy,
            "sudo usermod -aG dialout alice, then log out and in again");
  EXPECT_EQ(WindowDiagnosisVerdict(d), "Нет доступа к " + node_ +
                                           ": добавьте пользователя в группу dialout и войдите "
                                           "снова.");

  Write(roots_.groupFile, "dialout:x:" + std::to_string(nodeGroup_) + ":bob,alice\n");
  d = Diagnose();
  EXPECT_EQ(d.problem, PortProblem::LogInAgain);
  EXPECT_FALSE(d.Usable());

  roots_.groups->push_back(nodeGroup_);
  d = Diagnose();
  EXPECT_EQ(FindingOf(d, "access")->status, FindingStatus::Ok);
  EXPECT_TRUE(d.Usable());
  EXPECT_EQ(WindowDiagnosisVerdict(d), "Порт готов к работе.");
}

TEST_F(PortDoctorTest, ALiveProcesssLockFileRefusesTheNodeAndAGoneOnesIsTakenOver) {
  roots_.groups->push_back(nodeGroup_);
  roots_.proc = "/proc";  // the lock's process is looked up for real
  const pid_t live = getppid();
  const int32_t binary = live;
  const std::string lock = roots_.lockFolder + "/" + LockFileName(node_);
  Write(lock, std::string(reinterpret_cast<const char*>(&binary), 4));
  PortDiagnosis d = Diagnose();
  EXPECT_EQ(d.problem, PortProblem::InUse);
  EXPECT_EQ(FindingOf(d, "lock file")->status, FindingStatus::Fail);
  EXPECT_NE(d.subject.find("(PID " + std::to_string(live) + ")"), std::string::npos) << d.subject;

  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  Write(lock, "      " + std::to_string(child) + "\n");
  d = Diagnose();
  EXPECT_EQ(FindingOf(d, "lock file")->status, FindingStatus::Warn);
  EXPECT_EQ(d.problem, PortProblem::StaleLockFile);
  EXPECT_TRUE(d.Usable());
}

TEST_F(PortDoctorTest, AnFtdiAdapterWithModemManagerAndASlowLatencyTimerIsUsableWithWarnings) {
  roots_.groups->push_back(nodeGroup_);
  UsbTty("0403", "6001", "ftdi_sio");
  Write(roots_.sysUsbSerial + "/" + name_ + "/latency_timer", "16\n");
  Program(321, "ModemManager");
  PortDiagnosis d = Diagnose();
  EXPECT_TRUE(d.Usable());
  EXPECT_EQ(d.problem, PortProblem::ModemManager);
  EXPECT_EQ(FindingOf(d, "ModemManager")->status, FindingStatus::Warn);
  EXPECT_NE(FindingOf(d, "ModemManager")->remedy.find("ENV{ID_MM_DEVICE_IGNORE}=\"1\""),
            std::string::npos);
  EXPECT_EQ(FindingOf(d, "adapter")->fact, "USB 0403:6001 USB Serial, driver ftdi_sio");
  const Finding* latency = FindingOf(d, "latency timer");
  ASSERT_NE(latency, nullptr);
  EXPECT_EQ(latency->status, FindingStatus::Warn);
  EXPECT_EQ(latency->fact, "16 ms: replies reach the program up to 16 ms late");
  EXPECT_EQ(latency->remedy.rfind(
                "echo 1 | sudo tee " + roots_.sysUsbSerial + "/" + name_ + "/latency_timer;", 0),
            0u);

  // udev's record of the node tells ModemManager to keep off.
  Write(udevRecord_, "E:ID_VENDOR_ID=0403\nE:ID_MM_DEVICE_IGNORE=1\n");
  d = Diagnose();
  EXPECT_EQ(FindingOf(d, "ModemManager")->status, FindingStatus::Ok);
  EXPECT_EQ(d.problem, PortProblem::SlowLatency);
}

TEST_F(PortDoctorTest, ACh340BrlttyTookHasNoTtyAndIsNamedAsBrlttys) {
  const fs::path usb = roots_.sysUsbDevices;
  Write(usb / "1-2/idVendor", "1a86\n");
  Write(usb / "1-2/idProduct", "7523\n");
  Write(usb / "1-2/product", "USB Serial\n");
  fs::create_directories(usb / "1-2:1.0");
  fs::create_directory_symlink(root_ / "sys/bus/usb/drivers/usbfs", usb / "1-2:1.0/driver");
  // An FTDI adapter whose driver made its tty is no such case.
  Write(usb / "1-3/idVendor", "0403\n");
  Write(usb / "1-3/idProduct", "6001\n");
  fs::create_directories(usb / "1-3:1.0/ttyUSB1");
  Program(77, "brltty");

  const std::vector<TtylessAdapter> adapters = FindTtylessAdapters(roots_);
  ASSERT_EQ(adapters.size(), 1u);
  EXPECT_EQ(adapters[0].usbInterface, "1-2:1.0");
  EXPECT_EQ(adapters[0].driver, "usbfs");
  const PortDiagnosis d = DiagnoseTtylessAdapter(adapters[0], FindProcesses(roots_, "brltty"));
  EXPECT_FALSE(d.Usable());
  EXPECT_EQ(d.problem, PortProblem::Brltty);
  EXPECT_EQ(DiagnosisVerdict(d), "not usable: brltty took the adapter");
  EXPECT_EQ(WindowDiagnosisVerdict(d), "Адаптер захвачен программой brltty: отключите brltty.");
}

}  // namespace
}  // namespace intercom
