// The window's words for a kind and its settings come from the pages of the
// panel they are asked of, so that a kind added with its page is named as
// that page names it.
#include "panel/window_texts.h"

#include <gtest/gtest.h>

#include "tests/support/paging_page.h"

namespace intercom::testing {
namespace {

TEST(WindowTexts, AKindAddedWithItsPageIsNamedByThatPage) {
  const PanelDescription description = WithPagingPage();
  const auto paging = static_cast<int32_t>(kPaging);
  EXPECT_EQ(KindCaption(description, paging), "Оповещение");
  EXPECT_EQ(DeviceOfKind(description, paging), "устройство «Оповещение»");
  EXPECT_EQ(SettingLabel(description, paging, "zone2"), "Зоны 2");
  EXPECT_EQ(ShownValue(description, paging, "gain", 3), "3");
  // The four kinds keep their words, and a panel without the page has none for it.
  EXPECT_EQ(KindCaption(description, 2), "Сплиттер");
  EXPECT_EQ(ShownValue(description, 1, "studio", 1), "да");
  EXPECT_EQ(KindCaption(StandardPanel(), paging), "");
  EXPECT_EQ(SettingLabel(StandardPanel(), paging, "zone2"), "zone2");
}

}  // namespace
}  // namespace intercom::testing
