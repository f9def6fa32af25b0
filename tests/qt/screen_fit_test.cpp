// Where a window goes on a screen's available area.
#include <gtest/gtest.h>

#include "qt/screen_fit.h"

namespace intercom {
namespace {

const QRect kLaptop(0, 0, 1366, 738);  // 1366 x 768 less a 30-pixel panel

TEST(FitOnScreen, AWindowThatFitsStaysWhereItAsks) {
  EXPECT_EQ(FitOnScreen(kLaptop, QRect(195, 215, 786, 503)), QRect(195, 215, 786, 503));
}

TEST(FitOnScreen, AWindowThatFitsIsMovedJustEnoughToLieInside) {
  EXPECT_EQ(FitOnScreen(QRect(0, 0, 800, 600), QRect(195, 215, 786, 503)), QRect(14, 97, 786, 503));
  EXPECT_EQ(FitOnScreen(QRect(100, 50, 800, 600), QRect(0, 0, 200, 100)), QRect(100, 50, 200, 100));
}

TEST(FitOnScreen, AWindowThatCannotFitTakesTheWholeAreaFromItsCorner) {
  const QRect halfScale(0, 0, 683, 369);
  EXPECT_EQ(FitOnScreen(halfScale, QRect(195, 215, 786, 503)), halfScale);
  // Only the direction that does not fit takes the whole extent.
  EXPECT_EQ(FitOnScreen(QRect(0, 0, 1366, 400), QRect(195, 215, 786, 503)),
            QRect(195, 0, 786, 400));
}

}  // namespace
}  // namespace intercom
