// The USB vendor and product inside Windows device ids.
#include "serial/usb_ids.h"

#include <gtest/gtest.h>

namespace intercom {
namespace {

std::string Ids(std::string_view deviceId) {
  const std::optional<UsbIds> ids = UsbIdsOf(deviceId);
  return ids ? ids->vendorId + ":" + ids->productId : "none";
}

TEST(UsbIds, ReadsInstanceAndHardwareIdsOfUsbAdapters) {
  EXPECT_EQ(Ids("USB\\VID_0403&PID_6001\\A12345"), "0403:6001");
  EXPECT_EQ(Ids("USB\\VID_10C4&PID_EA60&REV_0100"), "10c4:ea60");
  EXPECT_EQ(Ids("FTDIBUS\\COMPORT&VID_0403&PID_6001"), "0403:6001");
  EXPECT_EQ(Ids("FTDIBUS\\VID_0403+PID_6015+DK0AB1CDA\\0000"), "0403:6015");
  EXPECT_EQ(Ids("usb\\vid_1a86&pid_7523"), "1a86:7523");
  // The interface's part after the ids changes nothing.
  EXPECT_EQ(Ids("USB\\VID_2341&PID_0043&MI_00\\6&2F1B3C&0&0000"), "2341:0043");
}

TEST(UsbIds, OtherPortsNameNone) {
  EXPECT_EQ(Ids("ACPI\\PNP0501\\1"), "none");
  EXPECT_EQ(Ids("ROOT\\PORTS\\0000"), "none");
  EXPECT_EQ(Ids(""), "none");
  // Bluetooth spells its ids differently; they are no USB device's.
  EXPECT_EQ(Ids("BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_VID&0001005D_PID&223B\\7&1"),
            "none");
  // Half an id, or one that is not four hex digits, is none.
  EXPECT_EQ(Ids("USB\\VID_0403"), "none");
  EXPECT_EQ(Ids("USB\\VID_040&PID_6001"), "none");
  EXPECT_EQ(Ids("USB\\VID_04031&PID_6001"), "none");
  EXPECT_EQ(Ids("USB\\VID_04G3&PID_6001"), "none");
  EXPECT_EQ(Ids("USB\\XVID_0403&PID_6001"), "none");
}

}  // namespace
}  // namespace intercom
