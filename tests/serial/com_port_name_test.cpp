#include "serial/com_port_name.h"

#include <gtest/gtest.h>

namespace intercom {
namespace {

TEST(DevicePathForOpen, ComPortNamesGetTheDeviceNamespaceAndNothingElseDoes) {
  EXPECT_EQ(DevicePathForOpen("COM12"), "\\\\.\\COM12");
  EXPECT_EQ(DevicePathForOpen("com3"), "\\\\.\\com3");
  for (const char* kept : {"\\\\.\\COM12", "COM", "COM1x", "COMa", "/dev/ttyUSB0", "", "LPT1",
                           "COM 1", "xCOM1", "rfc2217://COM12:2000", "socket://[::1]:2000"}) {
    EXPECT_EQ(DevicePathForOpen(kept), kept) << kept;
  }
}

}  // namespace
}  // namespace intercom
