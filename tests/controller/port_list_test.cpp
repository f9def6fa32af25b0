// The port dialog's list: the context's lister into the panel's combo box.
#include "controller/port_list.h"

#include <string>
#include <vector>

#include "controller/handlers.h"
#include "panel/handler_failure.h"
#include "serial/port_enumeration.h"
#include "tests/support/context_fixture.h"

namespace intercom::testing {
namespace {

using Names = std::vector<std::string>;
using PortListTest = ContextTest;

TEST_F(PortListTest, FillReplacesItemsAndSelectsNone) {
  ComboBox& list = panel.Form2.ComboBox1;
  list.AddItem("/dev/old0");
  list.AddItem("/dev/old1");
  list.SetItemIndex(1);

  context.binding.ShowPortList({"/dev/ttyS0", "/dev/ttyUSB0"});
  EXPECT_EQ(list.Items(), (Names{"/dev/ttyS0", "/dev/ttyUSB0"}));
  EXPECT_EQ(list.ItemIndex(), -1);

  context.binding.ShowPortList({});
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(PortListTest, DroppingDownListsThePortsAgainWithWhatEachIs) {
  Names ports = {"/dev/ttyS0"};
  context.listPorts = [&ports] { return ports; };
  context.describePort = [](const std::string& path) {
    PortDescription port;
    port.path = path;
    if (path == "/dev/ttyUSB0") {
      port.byIdPath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0";
      port.vendorId = "0403";
      port.productId = "6001";
      port.manufacturer = "FTDI";
      port.product = "FT232R USB UART";
    }
    if (path == "/dev/ttyUSB1") {
      port.vendorId = "1a86";
      port.productId = "7523";
      port.product = "USB Serial";
    }
    return port;
  };
  BindHandlers(context);
  ComboBox& list = panel.Form2.ComboBox1;
  context.binding.ShowPortList(ListPorts(context));
  list.SetText("/dev/ttyUSB0");

  ports = {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"};
  list.DropDown();
  EXPECT_EQ(list.Items(), ports);
  EXPECT_EQ(list.Descriptions(),
            (Names{"",
                   "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0\n"
                   "FTDI FT232R USB UART\nUSB 0403:6001",
                   "USB Serial\nUSB 1a86:7523"}));
  EXPECT_EQ(list.Text(), "/dev/ttyUSB0");
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(PortSummary, AWindowsPortShowsItsNameMakerAndUsbIds) {
  PortDescription usb;
  usb.path = "COM3";
  usb.friendlyName = "USB Serial Port (COM3)";
  usb.manufacturer = "FTDI";
  usb.vendorId = "0403";
  usb.productId = "6001";
  EXPECT_EQ(PortSummary(usb), "USB Serial Port (COM3)\nFTDI\nUSB 0403:6001");

  PortDescription builtIn;
  builtIn.path = "COM1";
  builtIn.friendlyName = "Communications Port (COM1)";
  builtIn.manufacturer = "(Standard port types)";
  EXPECT_EQ(PortSummary(builtIn), "Communications Port (COM1)\n(Standard port types)");

  PortDescription unknown;
  unknown.path = "COM5";
  EXPECT_EQ(PortSummary(unknown), "");
}

TEST_F(PortListTest, BadEntryBecomesThePanelFailure) {
  const std::string bad = "ttyUSB\x01";
  context.listPorts = [bad]() -> Names { throw PortEnumerationError(bad); };
  try {
    ListPorts(context);
    FAIL() << "no PortEntryFailure";
  } catch (const PortEntryFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), "Invalid data type for '" + bad + "'");
  }
}

}  // namespace
}  // namespace intercom::testing
