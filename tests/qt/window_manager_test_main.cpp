// GoogleTest main for the tests under a window manager: one QApplication on
// the platform the environment names (xcb under scripts/run-under-wm.sh).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
