#include "panel/list_completion.h"

#include <gtest/gtest.h>

namespace intercom {
namespace {

const std::vector<std::string> kPorts{"COM3", "COM1", "COM12", "/dev/ttyS0", "/dev/ttyUSB0"};

TEST(CompleteFromList, TheFirstItemInListOrderBeginningWithTheTextIgnoringCase) {
  EXPECT_EQ(CompleteFromList(kPorts, "com1"), "COM1");
  EXPECT_EQ(CompleteFromList(kPorts, "c"), "COM3");
  EXPECT_EQ(CompleteFromList(kPorts, "COM12"), "COM12");
  EXPECT_EQ(CompleteFromList(kPorts, "/DEV/TTYU"), "/dev/ttyUSB0");
  EXPECT_EQ(CompleteFromList(kPorts, "/dev/tty"), "/dev/ttyS0");
}

TEST(CompleteFromList, NothingForAnEmptyTextOrNoMatch) {
  EXPECT_EQ(CompleteFromList(kPorts, ""), std::nullopt);
  EXPECT_EQ(CompleteFromList(kPorts, "/dev/ttyUx"), std::nullopt);
  EXPECT_EQ(CompleteFromList(kPorts, "COM123"), std::nullopt);
  EXPECT_EQ(CompleteFromList({}, "C"), std::nullopt);
}

}  // namespace
}  // namespace intercom
