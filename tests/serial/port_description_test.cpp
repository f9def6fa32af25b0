// A port's stable name and USB strings, read from a fake sysfs and by-id folder.
#include "serial/port_description.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace intercom {
namespace {

namespace fs = std::filesystem;

class FakeUsbTree : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "port_description_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "class" / "tty");
    fs::create_directories(root_ / "by-id");
  }
  void TearDown() override { fs::remove_all(root_); }

  // A USB adapter: device folder with the attributes, interface below it,
  // the tty below that, and the class entry's `device` link to the interface.
  void AddUsbTty(const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& manufacturer, const std::string& productName) {
    const fs::path usb = root_ / "devices" / "pci0000:00" / ("usb-" + name);
    const fs::path interface = usb / (name + ":1.0");
    fs::create_directories(interface / "tty" / name);
    std::ofstream(usb / "idVendor") << vendor << "\n";
    std::ofstream(usb / "idProduct") << product << "\n";
    if (!manufacturer.empty()) std::ofstream(usb / "manufacturer") << manufacturer << "\n";
    std::ofstream(usb / "product") << productName << "\n";
    fs::create_directories(root_ / "class" / "tty" / name);
    fs::create_directory_symlink(interface, root_ / "class" / "tty" / name / "device");
  }

  PortDescription Describe(const std::string& name) {
    return DescribePort("/dev/" + name, (root_ / "class" / "tty").string(),
                        (root_ / "by-id").string());
  }

  fs::path root_;
};

TEST_F(FakeUsbTree, ReadsTheUsbDeviceAboveTheTtyAndItsByIdLink) {
  AddUsbTty("ttyUSB0", "0403", "6001", "FTDI", "FT232R USB\x01UART");
  AddUsbTty("ttyUSB1", "1a86", "7523", "", "USB Serial");
  fs::create_symlink("../../ttyUSB0", root_ / "by-id" / "usb-FTDI_FT232R_A1B2-if00-port0");
  fs::create_symlink("../../ttyUSB10", root_ / "by-id" / "usb-other-if00-port0");

  const PortDescription ftdi = Describe("ttyUSB0");
  EXPECT_EQ(ftdi.path, "/dev/ttyUSB0");
  EXPECT_EQ(ftdi.byIdPath, (root_ / "by-id" / "usb-FTDI_FT232R_A1B2-if00-port0").string());
  EXPECT_EQ(ftdi.vendorId, "0403");
  EXPECT_EQ(ftdi.productId, "6001");
  EXPECT_EQ(ftdi.manufacturer, "FTDI");
  EXPECT_EQ(ftdi.product, "FT232R USB?UART");

  const PortDescription ch340 = Describe("ttyUSB1");
  EXPECT_EQ(ch340.byIdPath, "");
  EXPECT_EQ(ch340.vendorId, "1a86");
  EXPECT_EQ(ch340.manufacturer, "");
  EXPECT_EQ(ch340.product, "USB Serial");
}

TEST_F(FakeUsbTree, APlatformPortHasOnlyItsPath) {
  fs::create_directories(root_ / "devices" / "platform" / "serial8250" / "tty" / "ttyS0");
  fs::create_directories(root_ / "class" / "tty" / "ttyS0");
  fs::create_directory_symlink(root_ / "devices" / "platform" / "serial8250",
                               root_ / "class" / "tty" / "ttyS0" / "device");
  const PortDescription port = Describe("ttyS0");
  EXPECT_EQ(port.path, "/dev/ttyS0");
  EXPECT_EQ(port.byIdPath, "");
  EXPECT_EQ(port.vendorId, "");
  EXPECT_EQ(port.product, "");
  EXPECT_EQ(Describe("ttyUSB7").vendorId, "");
}

}  // namespace
}  // namespace intercom
