// The port dialog's list: the session's lister into the panel's combo box.
#include "workflow/port_list.h"

#include <string>
#include <vector>

#include "panel/handler_failure.h"
#include "serial/port_enumeration.h"
#include "tests/support/session_fixture.h"

namespace intercom::testing {
namespace {

using Names = std::vector<std::string>;
using PortListTest = SessionTest;

TEST_F(PortListTest, FillReplacesItemsAndSelectsNone) {
  ComboBox& list = panel.Form2.ComboBox1;
  list.AddItem("/dev/old0");
  list.AddItem("/dev/old1");
  list.SetItemIndex(1);

  FillPortList(list, {"/dev/ttyS0", "/dev/ttyUSB0"});
  EXPECT_EQ(list.Items(), (Names{"/dev/ttyS0", "/dev/ttyUSB0"}));
  EXPECT_EQ(list.ItemIndex(), -1);

  FillPortList(list, {});
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(PortListTest, BadEntryBecomesThePanelFailure) {
  const std::string bad = "ttyUSB\x01";
  session.listPorts = [bad]() -> Names { throw PortEnumerationError(bad); };
  try {
    ListPorts(session);
    FAIL() << "no PortEntryFailure";
  } catch (const PortEntryFailure& failure) {
    EXPECT_EQ(std::string(failure.what()), "Invalid data type for '" + bad + "'");
  }
}

}  // namespace
}  // namespace intercom::testing
