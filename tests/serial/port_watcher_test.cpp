// The port watcher's differences and polling, and its first list of the machine's ports.
#include "serial/port_watcher.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serial/port_enumeration.h"

namespace intercom {
namespace {

using Type = PortEvent::Type;

TEST(DiffPorts, RemovalsComeFirstAndAPortWhoseLinksChangedIsReplaced) {
  const WatchedPort kept{"/dev/ttyUSB0", "/dev/serial/by-path/a", "/dev/serial/by-id/x"};
  const WatchedPort gone{"/dev/ttyUSB1", "", ""};
  const WatchedPort moved{"/dev/ttyUSB2", "/dev/serial/by-path/b", ""};
  WatchedPort movedNow = moved;
  movedNow.byPath = "/dev/serial/by-path/c";
  const WatchedPort fresh{"/dev/ttyACM0", "", ""};

  EXPECT_EQ(DiffPorts({kept, gone, moved}, {fresh, kept, movedNow}),
            (std::vector<PortEvent>{{Type::Removed, gone},
                                    {Type::Removed, moved},
                                    {Type::Added, fresh},
                                    {Type::Added, movedNow}}));
  EXPECT_TRUE(DiffPorts({kept, gone}, {gone, kept}).empty());
}

TEST(StableName, IsTheByPathLinkWhenThereIsOne) {
  EXPECT_EQ(StableName({"/dev/ttyUSB0", "/dev/serial/by-path/usb-0:2", "/dev/serial/by-id/x"}),
            "/dev/serial/by-path/usb-0:2");
  EXPECT_EQ(StableName({"COM5", "", ""}), "COM5");
}

TEST(PollingPortWatcher, ListsNoMoreOftenThanItsInterval) {
  int listings = 0;
  std::vector<WatchedPort> ports{{"COM3", "", ""}};
  auto watcher = PollingPortWatcher(
      [&] {
        ++listings;
        return ports;
      },
      std::chrono::hours(1));
  EXPECT_EQ(watcher->Next(0), (std::vector<PortEvent>{{Type::Added, {"COM3", "", ""}}}));
  ports.push_back({"COM4", "", ""});
  EXPECT_TRUE(watcher->Next(0).empty());
  EXPECT_EQ(listings, 1);
}

TEST(MachinePortWatcher, FirstReportsThePortsTheMachineLists) {
  std::vector<std::string> added;
  for (const PortEvent& event : MachinePortWatcher()->Next(0)) {
    EXPECT_EQ(event.type, Type::Added);
    added.push_back(event.port.path);
  }
  std::vector<std::string> listed = ListSerialPorts();
  std::sort(added.begin(), added.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(added, listed);
}

}  // namespace
}  // namespace intercom
