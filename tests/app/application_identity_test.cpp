#include "app/application_identity.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QSize>
#include <fstream>
#include <optional>
#include <string>

namespace intercom {
namespace {

// Qt maps its image format plugins into the process the first time it reads
// a picture. Nothing when the system does not list a process's mappings.
std::optional<bool> ImagePluginsLoaded() {
  std::ifstream maps("/proc/self/maps");
  if (!maps) return std::nullopt;
  for (std::string line; std::getline(maps, line);) {
    if (line.find("imageformats") != std::string::npos) return true;
  }
  return false;
}

TEST(ApplicationIdentity, ReadsNoPictureUntilAWindowAsksForOne) {
  if (!ImagePluginsLoaded()) GTEST_SKIP() << "no /proc/self/maps to tell the loaded libraries";
  SetApplicationIdentity();
  EXPECT_FALSE(QApplication::windowIcon().isNull());
  EXPECT_EQ(ImagePluginsLoaded(), false);

  EXPECT_EQ(QApplication::windowIcon().pixmap(QSize(32, 32)).size(), QSize(32, 32));
  EXPECT_EQ(ImagePluginsLoaded(), true);
}

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
