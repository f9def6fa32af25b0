#include "panel/model_controls.h"

#include <gtest/gtest.h>

#include "panel/window_layout.h"
#include "tests/support/recording_message_boxes.h"

namespace intercom {
namespace {

// Every control of the three window tables that has state in the model is
// found under its own name; pages, pictures and the fixed labels are not, and
// neither is a name that only looks like one.
TEST(ModelControlsTest, EveryTableNameFindsTheModelControlOfThatName) {
  testing::RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "Intercom-config"};
  int found = 0;
  for (const WindowLayout* window :
       {&MainWindowLayout(), &PortDialogLayout(), &AddressDialogLayout()}) {
    for (const ControlLayout& entry : window->controls) {
      Control* control = ModelControl(panel, entry.name);
      const std::string_view name = entry.name;
      const bool stateless = entry.kind == ViewKind::Page || entry.kind == ViewKind::Picture ||
                             (entry.kind == ViewKind::Label && name != "Label1" &&
                              name != "Label4" && !name.starts_with("Form"));
      if (stateless) {
        EXPECT_EQ(control, nullptr) << name;
        continue;
      }
      ASSERT_NE(control, nullptr) << name;
      EXPECT_EQ(control->Name(), name);
      ++found;
    }
  }
  EXPECT_GT(found, 60);
  for (const char* name : {"Edit", "Edit0", "Edit21x", "Edit99999999999", "BitBtn99", "Foo1"}) {
    EXPECT_EQ(ModelControl(panel, name), nullptr) << name;
  }
}

}  // namespace
}  // namespace intercom
