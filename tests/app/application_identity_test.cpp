#include "app/application_identity.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QSize>

namespace intercom {
namespace {

TEST(ApplicationIdentity, NamesTheDesktopEntryVersionAndEveryIconSize) {
  SetApplicationIdentity();

  EXPECT_EQ(QApplication::desktopFileName(), "intercom-config");
  EXPECT_EQ(QApplication::applicationVersion(), INTERCOM_VERSION);
  const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
  for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
    EXPECT_TRUE(sizes.contains(QSize(side, side))) << side << "x" << side;
  }
  EXPECT_FALSE(QApplication::windowIcon().pixmap(QSize(48, 48)).isNull());
}

}  // namespace
}  // namespace intercom
