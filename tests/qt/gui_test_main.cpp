// GoogleTest main for the window tests: one QApplication for the whole run, on
// the offscreen platform, where windows have no frame and the one screen is a
// common laptop's 1366 x 768 at 96 dots per inch.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryFile>

int main(int argc, char** argv) {
  QTemporaryFile screens(QDir::tempPath() + QStringLiteral("/offscreen-XXXXXX.json"));
  if (!screens.open()) return 2;
  screens.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  screens.flush();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
